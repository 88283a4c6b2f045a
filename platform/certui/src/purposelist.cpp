#include "purposelist.h"

const Purpose purposeList[4] = {
    { "ssl", "lgd_certman_websites", "Web sites" },
    { "wifi", "lgd_certman_wifi", "Wireless networks" },
    { "smime", "lgd_certman_mailusers", "E-mail users" },
    { "codesign", "lgd_certman_softwaremakers", "Software makers" },
};
