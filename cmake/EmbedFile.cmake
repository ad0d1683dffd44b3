# cmake -DIN=file -DOUT=source.cpp -DSYMBOL=name -P EmbedFile.cmake
file(READ ${IN} hex HEX)
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," body "${hex}")
if(body STREQUAL "")
    set(body "0x00")  # an empty file still makes an array (its size, 0, is in the index)
endif()
file(WRITE ${OUT}
    "namespace halvenmark::resources {\n"
    "extern const unsigned char ${SYMBOL}[] = {${body}};\n"
    "}  // namespace halvenmark::resources\n")
