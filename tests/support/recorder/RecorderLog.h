// Where the recorder program writes its log. A test names the file in its own environment, which
// what it starts inherits, and under a registry value of the test prefix's user for what the
// desktop shell starts on its behalf: the shell's process has its own environment.
#pragma once

namespace recorder
{

constexpr char kLogVariable[] = "DADAROR_RECORDER_LOG";
constexpr char kLogKey[] = "Software\\DadarorTest\\Recorder"; // under HKEY_CURRENT_USER
constexpr char kLogValue[] = "Log";
// The folder of answer files for copies that stand in for a tool that refuses (Recorder.cpp).
constexpr char kAnswersVariable[] = "DADAROR_RECORDER_ANSWERS";

} // namespace recorder
