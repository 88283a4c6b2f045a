#include "filepasswords.h"

namespace FilePasswords {

namespace {

// Until the dialog exists every request is declined.
class DecliningSource : public PasswordSource
{
public:
    bool ask(QString &) override { return false; }
    void wrong() override {}
};

} // namespace

std::unique_ptr<PasswordSource> forFile(const QString &)
{
    return std::unique_ptr<PasswordSource>(new DecliningSource);
}

} // namespace FilePasswords
