#ifndef TRUSTKEEP_FUZZPASSWORD_H
#define TRUSTKEEP_FUZZPASSWORD_H

// The one password behind every protected seed (PKCS#12 archives, encrypted
// PEM keys) and the one the file fuzzer answers with.
#define TRUSTKEEP_FUZZ_PASSWORD "fuzz-password"

#endif
