# The manifest of the resource store (resources/manifest.txt): one line per resource,
#   ID TYPE BYTES SHA256 ORIGIN
# TYPE is JPG (the custom resource type of the firmware and auxiliary images) or BITMAP (the
# device pictures), ORIGIN is placeholder or product; '#' starts a comment line.
#
#   halvenmark_read_manifest(MANIFEST PREFIX)
# sets, in the caller's scope, PREFIX_KEYS (a list of TYPE_ID) and PREFIX_<TYPE>_<ID>_BYTES,
# _SHA256 and _ORIGIN, and stops with the line number of a line it cannot read.
#
#   halvenmark_resource_file(DIR TYPE ID OUT)  the file of a resource: DIR/jpg/ID.bin or
#                                              DIR/pictures/ID.bmp

function(halvenmark_resource_file dir type id out)
    if(type STREQUAL "JPG")
        set(${out} "${dir}/jpg/${id}.bin" PARENT_SCOPE)
    else()
        set(${out} "${dir}/pictures/${id}.bmp" PARENT_SCOPE)
    endif()
endfunction()

function(halvenmark_read_manifest manifest prefix)
    if(NOT EXISTS "${manifest}")
        message(FATAL_ERROR "${manifest}: the resource manifest is missing "
                            "(halvenmark-resources placeholders DIR writes one)")
    endif()
    file(READ "${manifest}" content)
    string(REPLACE "\n" ";" lines "${content}")
    set(keys "")
    set(number 0)
    foreach(line IN LISTS lines)
        math(EXPR number "${number} + 1")
        string(STRIP "${line}" line)
        if(line STREQUAL "" OR line MATCHES "^#")
            continue()
        endif()
        set(hash_length 0)
        # Ids and sizes are decimal: a leading zero would make an id an octal number in C++.
        if(line MATCHES "^([1-9][0-9]*)[ \t]+(JPG|BITMAP)[ \t]+([1-9][0-9]*)[ \t]+([0-9a-f]+)[ \t]+(placeholder|product)$")
            string(LENGTH "${CMAKE_MATCH_4}" hash_length)
        endif()
        if(NOT hash_length EQUAL 64)
            message(FATAL_ERROR "${manifest}:${number}: cannot read '${line}': a line is "
                                "ID TYPE BYTES SHA256 ORIGIN (ID and BYTES decimal without leading "
                                "zeros, TYPE JPG or BITMAP, SHA256 in 64 lowercase hexadecimal "
                                "digits, ORIGIN placeholder or product)")
        endif()
        set(key "${CMAKE_MATCH_2}_${CMAKE_MATCH_1}")
        if(key IN_LIST keys)
            message(FATAL_ERROR "${manifest}:${number}: ${CMAKE_MATCH_2} ${CMAKE_MATCH_1} is listed twice")
        endif()
        list(APPEND keys ${key})
        set(${prefix}_${key}_BYTES ${CMAKE_MATCH_3} PARENT_SCOPE)
        set(${prefix}_${key}_SHA256 ${CMAKE_MATCH_4} PARENT_SCOPE)
        set(${prefix}_${key}_ORIGIN ${CMAKE_MATCH_5} PARENT_SCOPE)
    endforeach()
    set(${prefix}_KEYS ${keys} PARENT_SCOPE)
endfunction()
