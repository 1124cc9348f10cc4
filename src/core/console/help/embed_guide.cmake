# cmake -DINPUT=user_guide.txt -DOUTPUT=user_guide_text.cpp -P embed_guide.cmake
# Writes the guide as an array of bytes behind dopplex::user_guide().
file(READ ${INPUT} hex HEX)
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
string(REGEX REPLACE "((0x..,){16})" "\\1\n    " bytes "${bytes}")
file(WRITE ${OUTPUT} "// Generated from user_guide.txt by embed_guide.cmake; edit the text file.
#include \"console/help/user_guide.h\"

namespace dopplex {

namespace {

constexpr unsigned char kGuide[] = {
    ${bytes}};

} // namespace

std::string_view user_guide() {
    return {reinterpret_cast<const char*>(kGuide), sizeof kGuide};
}

} // namespace dopplex
")
