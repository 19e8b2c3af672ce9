# The build refuses a firmware image that is not exactly 0x200000 bytes or lacks the text
# FW_IMAGE_META_SIGNATURE_________ at offset 0x800. include() it and call
# fwu_check_image(FILE) at configure time, or run it on a generated image at build time:
#   cmake -DIMAGE=FILE -P check_image.cmake
function(fwu_check_image image_file)
    if(NOT EXISTS "${image_file}")
        message(FATAL_ERROR "Firmware image ${image_file} does not exist")
    endif()
    file(SIZE "${image_file}" image_size)
    if(NOT image_size EQUAL 2097152)
        message(FATAL_ERROR
            "Firmware image ${image_file} is ${image_size} bytes; it must be exactly 2097152 (0x200000)")
    endif()
    file(READ "${image_file}" signature OFFSET 2048 LIMIT 32 HEX)
    # "FW_IMAGE_META_SIGNATURE_________" in hexadecimal.
    if(NOT signature STREQUAL "46575f494d4147455f4d4554415f5349474e41545552455f5f5f5f5f5f5f5f5f")
        message(FATAL_ERROR
            "Firmware image ${image_file} lacks the text FW_IMAGE_META_SIGNATURE_________ at offset 0x800")
    endif()
endfunction()

if(CMAKE_SCRIPT_MODE_FILE)
    fwu_check_image("${IMAGE}")
endif()
