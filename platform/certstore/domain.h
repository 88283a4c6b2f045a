#ifndef BASTRA_DOMAIN_H
#define BASTRA_DOMAIN_H

#include <string>

// An open domain: a folder of certificate files, read-only when shared.
struct bastra_domain_s {
    std::string name;
    std::string folder;
    bool shared = false;
};

#endif
