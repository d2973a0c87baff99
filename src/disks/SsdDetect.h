// Finding an SSD among the physical disks: a disk counts as an SSD when its model name contains
// "SSD" in any letter case.
#pragma once

#include <string>

// Runs the WMI disk query and returns the upper-cased model of the last matching disk, or the
// empty text when none matched or the query failed.
std::string FindSsdModelOfDisks();
