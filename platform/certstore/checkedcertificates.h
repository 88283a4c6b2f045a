#ifndef BASTRA_CHECKEDCERTIFICATES_H
#define BASTRA_CHECKEDCERTIFICATES_H

#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

namespace bastra_internal {

// Certificate files whose content has been checked, so that a listing does
// not parse every file again on every walk. An entry is remembered by its
// path together with the bytes it held when it was checked: the file is
// still read on every walk, and any other content (a file replaced under the
// same name, rewritten in place, damaged) is checked afresh. The check is
// that of bastra_certman_load_cert, and the bytes handed over are the
// certificate's DER encoding, as the parsed certificate would encode itself.
class CheckedCertificates
{
public:
    // The process's one set (the store is shared by every thread).
    static CheckedCertificates &instance();

    // The DER encoding of the certificate in folder/keyIdName: 0, or the
    // error of readCertificateFile (ENOENT, EBADMSG, ...) with the last error
    // naming the entry.
    int read(const std::string &folder, const std::string &keyIdName, std::vector<unsigned char> *der);

private:
    struct Checked {
        std::vector<unsigned char> content; // the file's bytes when checked
        std::vector<unsigned char> encoding; // the certificate's DER when it differs from content
    };

    int check(const std::string &folder, const std::string &keyIdName, const std::vector<unsigned char> &content,
              Checked *checked);
    void remember(const std::string &path, Checked checked);

    // What all entries may hold together; beyond it the oldest knowledge is
    // dropped at once (it is only ever a saving, never an answer).
    static const size_t maximumBytes = 8 * 1024 * 1024;

    std::mutex m_mutex;
    std::unordered_map<std::string, Checked> m_entries;
    size_t m_bytes = 0;
};

} // namespace bastra_internal

#endif
