#include "HttpTextClient.h"

int CHttpTextClient::DownloadText(const char*, std::string&)
{
    return 0;
}

int CHttpTextClient::DownloadTextWithin(const char*, std::string&, unsigned long)
{
    return 0;
}
