# Writes a C++ source that holds a text file's bytes as a char array, for data that maintainers
# extend as plain lines and the program carries inside itself. The bytes are written one character constant each,
# so that any text compiles the same with every compiler (MSVC limits the length of a string
# literal).
# Run as: cmake -DINPUT=FILE -DOUTPUT=FILE.cpp -DSYMBOL=NAME -P EmbedText.cmake
file(READ "${INPUT}" bytes HEX)
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "'\\\\x\\1'," bytes "${bytes}")
# Sixteen bytes a line.
string(REGEX REPLACE "(('[^']*',){16})" "\\1\n    " bytes "${bytes}")
file(WRITE "${OUTPUT}"
     "// Generated from ${INPUT} at build time; edit that file instead.\n"
     "extern const char ${SYMBOL}[];\n"
     "const char ${SYMBOL}[] = {\n    ${bytes}'\\0'};\n")
