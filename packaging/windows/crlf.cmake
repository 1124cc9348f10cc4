# cmake -DINPUT=guide.txt -DOUTPUT=guide-crlf.txt -P crlf.cmake
# Writes INPUT with CRLF line ends: Notepad before Windows 10 shows LF-only text as one line.
file(READ ${INPUT} text)
string(REPLACE "\n" "\r\n" text "${text}")
file(WRITE ${OUTPUT} "${text}")
