// Finding an SSD among the physical disks: a disk counts as an SSD when its model name contains
// "SSD" in any letter case.
#pragma once

#include "SsdMatch.h"

#include <windows.h>
#include <optional>
#include <string>
#include <vector>

// Runs the WMI disk query and returns the upper-cased model of the last matching disk, or the
// empty text when none matched or the query failed.
std::string FindSsdModelOfDisks();

// The rule for one disk, in the order the disks are delivered: model is the disk's Model
// property (null when the disk reports none). A match replaces result; anything else leaves it.
void TakeSsdModel(const wchar_t* model, std::string& result);

// The same rule over a list of models, as the disk query would deliver them.
std::string FindSsdModelAmong(const std::vector<std::optional<std::wstring>>& models);

// Upper-cases a to z in place; both bytes of every double-byte character of codePage stay as
// they are, even where a trail byte looks like a lower-case letter.
void UpperCaseSingleBytes(std::string& text, UINT codePage);

// Position of what in text, never starting on the trail byte of a double-byte character of
// codePage; std::string::npos when absent.
size_t FindOnCharacterStart(const std::string& text, const char* what, UINT codePage);
