// What the start-up makes of the update server's answer and of the disk it found.
#pragma once

#include <string>

// Own version text, compared with the update server's answer.
extern const char kOwnVersion[];

// True when the answer, trimmed of white space at both ends, is neither the own version nor
// "error" (letter case ignored): every other answer announces a newer version.
bool IsNewerVersion(const std::string& answer);

// "디스크 %s를 발견하였습니다." with the model in place of %s.
std::string FormatSsdFound(const std::string& model);
