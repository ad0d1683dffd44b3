# cmake -DIN=file -DOUT=source.cpp -DSYMBOL=name -P EmbedFile.cmake
file(READ ${IN} hex HEX)
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," body "${hex}")
file(WRITE ${OUT}
    "namespace halvenmark::resources {\n"
    "extern const unsigned char ${SYMBOL}[] = {${body}};\n"
    "}  // namespace halvenmark::resources\n")
