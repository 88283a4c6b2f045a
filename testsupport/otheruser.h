#ifndef TRUSTKEEP_OTHERUSER_H
#define TRUSTKEEP_OTHERUSER_H

#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

class PrivateBus;

// A program of another local account, as any account on the device can
// reach the system bus: the command runs under setpriv with the uid and gid
// given (65534, "nobody", by default) and no supplementary groups. The test
// must run as root, and that uid must be able to reach the bus's socket
// (PrivateBus opens its folder for it; the folders above it must allow
// passing through too, as /tmp does).
//
//   PrivateBus bus(root.path());
//   const OtherUser::Result result = OtherUser::call(bus, "LoadCertificatesFromDomains", { "['ssl-ca']" });
//   QVERIFY(result.output.contains("AccessDenied"));
class OtherUser
{
public:
    static const uint nobody = 65534;

    struct Result {
        bool succeeded = false;   // ran and exited with 0
        QString output;           // stdout and stderr together
    };

    // Root and setpriv are there (else the test should skip).
    static bool isAvailable();

    // Runs the command (program first) as uid with the environment.
    static Result run(const QProcessEnvironment &environment, const QStringList &command, uint uid = nobody);

    // A method of the service's interface on "/request" through gdbus;
    // arguments in GVariant text ("'text'", "['ssl-ca']"). Success prints
    // the reply tuple, e.g. "(false,)"; a refusal prints the error name.
    static Result call(const PrivateBus &bus, const QString &method, const QStringList &arguments,
                       uint uid = nobody);
};

#endif
