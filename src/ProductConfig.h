// Addresses of the product's web server and of the pages opened for the user. Defined in one
// translation unit of their own (ProductConfig.cpp, from the build settings), so that a test
// build of the program can point them at a local server.
#pragma once

extern const char kUpdateUrl[];        // the update service: the version text of the newest build
extern const char kAdvertisementUrl[]; // the page of the advertisement panel
extern const char kBlogUrl[];          // the blog article, also the download page
extern const char kAhciSearchUrl[];    // a web search on setting up AHCI
