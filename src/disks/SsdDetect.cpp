#include "SsdDetect.h"

std::string FindSsdModelOfDisks()
{
    return std::string();
}
