#ifndef PURPOSELIST_H
#define PURPOSELIST_H

// The four purposes a certificate can be used for, in the order the user
// sees them. The programs that use this library keep the same list with the
// store domains and tokens; the widgets here need only the purpose ids
// (the domain prefixes) and their names.
struct Purpose {
    const char *prefix; // "ssl", "wifi", ...: the id in purpose lists
    const char *labelId; // logical id of the name shown
    const char *fallback; // the name when no catalog knows the id
};

extern const Purpose purposeList[4];

#endif
