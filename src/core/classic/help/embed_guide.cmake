# cmake -DINPUT=user_guide.txt -DOUTPUT=user_guide_text.cpp -DPLATFORM=linux|windows
#       -DTEXT_OUTPUT=user_guide.txt -P embed_guide.cmake
# Writes the platform's guide as an array of bytes behind dopplex::user_guide(), and as text for
# the package. A line "{linux}" or "{windows}" opens a block of lines kept only on that
# platform, a line "{end}" closes it; the marker lines themselves are dropped.
cmake_minimum_required(VERSION 3.25)
file(READ ${INPUT} text)
set(kept "")
while(TRUE)
    string(FIND "${text}" "{linux}\n" linux_at)
    string(FIND "${text}" "{windows}\n" windows_at)
    if(linux_at EQUAL -1 AND windows_at EQUAL -1)
        break()
    endif()
    if(windows_at EQUAL -1 OR (NOT linux_at EQUAL -1 AND linux_at LESS windows_at))
        set(at ${linux_at})
        set(block linux)
    else()
        set(at ${windows_at})
        set(block windows)
    endif()
    string(SUBSTRING "${text}" 0 ${at} before)
    string(LENGTH "{${block}}\n" marker_length)
    math(EXPR body_at "${at} + ${marker_length}")
    string(SUBSTRING "${text}" ${body_at} -1 text)
    string(FIND "${text}" "{end}\n" end_at)
    if(end_at EQUAL -1)
        message(FATAL_ERROR "${INPUT}: a {${block}} block without {end}")
    endif()
    string(APPEND kept "${before}")
    if(block STREQUAL PLATFORM)
        string(SUBSTRING "${text}" 0 ${end_at} body)
        string(APPEND kept "${body}")
    endif()
    math(EXPR rest_at "${end_at} + 6")
    string(SUBSTRING "${text}" ${rest_at} -1 text)
endwhile()
string(APPEND kept "${text}")
file(WRITE ${TEXT_OUTPUT} "${kept}")
string(HEX "${kept}" hex)
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
string(REGEX REPLACE "((0x..,){16})" "\\1\n    " bytes "${bytes}")
file(WRITE ${OUTPUT} "// Generated from user_guide.txt by embed_guide.cmake; edit the text file.
#include \"classic/help/user_guide.h\"

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
