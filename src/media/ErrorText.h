// The one table that turns a media-library error code into the text shown to the user.
#pragma once

#include <string>

namespace qarvo {

// The table's text for a library code ("End of file", "No such file or directory", ...),
// chosen by the code's meaning in the loaded libraries; any other code gives
// "Error number <code> occurred", followed by " (<system description>)" for system error codes.
std::string ErrorText(int code);

// "<file name>: <ErrorText(code)>", the form every file-level failure is reported in.
std::string FileErrorText(const std::string& fileName, int code);

// "<operation>: <ErrorText(code)>", the form a failed library call is reported in
// ("av_frame_ref(): Not enough memory").
std::string CallErrorText(const std::string& operation, int code);

// Hands a successful (non-negative) library result back; raises EEngineError with
// CallErrorText(operation, code) for a failure.
int CheckCall(int code, const char* operation);
int CheckCall(int code, const std::string& operation);

}  // namespace qarvo
