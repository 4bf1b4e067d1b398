# cmake -DPROGRAM=quenbo-icon -DSIZE=N -DOUT=FILE -P check_icon.cmake
# Runs the icon program for one size and checks that FILE is a PNG of SIZE x SIZE pixels with
# an alpha channel, reading its signature and header chunk.
file(REMOVE "${OUT}")
execute_process(COMMAND ${PROGRAM} --size ${SIZE} --out "${OUT}" RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "quenbo-icon --size ${SIZE} failed: ${status}")
endif()

# Signature (8 bytes), IHDR length and type (8), width and height (4 each, big-endian), bit
# depth (1), colour type (1).
file(READ "${OUT}" header LIMIT 26 HEX)
string(LENGTH "${header}" digits)
if(digits LESS 52)
  message(FATAL_ERROR "${OUT} is too short for a PNG file (${digits} hex digits)")
endif()
string(SUBSTRING "${header}" 0 16 signature)
string(SUBSTRING "${header}" 24 8 type)
string(SUBSTRING "${header}" 32 8 width)
string(SUBSTRING "${header}" 40 8 height)
string(SUBSTRING "${header}" 50 2 colourType)
math(EXPR width "0x${width}")
math(EXPR height "0x${height}")
if(NOT signature STREQUAL "89504e470d0a1a0a" OR NOT type STREQUAL "49484452")
  message(FATAL_ERROR "${OUT} is not a PNG file (header ${header})")
endif()
if(NOT width EQUAL SIZE OR NOT height EQUAL SIZE)
  message(FATAL_ERROR "${OUT} is ${width} x ${height}, not ${SIZE} x ${SIZE}")
endif()
# Colour type 6: RGBA, so the rounded corners are transparent.
if(NOT colourType STREQUAL "06")
  message(FATAL_ERROR "${OUT} has PNG colour type ${colourType}, not RGBA (06)")
endif()
