#pragma once

// Runs the real can-adapter-cli as a child process.

#include <QByteArray>
#include <QFile>
#include <QProcess>
#include <QStringList>
#include <QTest>

#include <csignal>
#include <sys/resource.h>

struct Run {
    int exitCode = -1; // -1 also when it crashed or did not end within a minute
    QByteArray out;
    QByteArray err;
};

// fileSizeLimit > 0 makes the child's writes beyond that size fail, as on a
// full disk; addressSpaceLimit > 0 lets it map no more than that. `program`
// runs a copy of the tool elsewhere instead.
inline Run RunCli(const QStringList& arguments, const QString& dataHome, rlim_t fileSizeLimit = 0,
                  rlim_t addressSpaceLimit = 0,
                  const QString& program = QStringLiteral(CAC_CLI_PATH)) {
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("XDG_DATA_HOME", dataHome); // no user catalogue
    process.setProcessEnvironment(env);
    process.setChildProcessModifier([fileSizeLimit, addressSpaceLimit] {
        if (fileSizeLimit > 0) {
            std::signal(SIGXFSZ, SIG_IGN);
            const rlimit limit{fileSizeLimit, fileSizeLimit};
            setrlimit(RLIMIT_FSIZE, &limit);
        }
        if (addressSpaceLimit > 0) {
            const rlimit limit{addressSpaceLimit, addressSpaceLimit};
            setrlimit(RLIMIT_AS, &limit);
        }
    });
    process.start(program, arguments);
    Run run;
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit)
        return run;
    run.exitCode = process.exitCode();
    run.out = process.readAllStandardOutput();
    run.err = process.readAllStandardError();
    return run;
}

inline void WriteFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(bytes), bytes.size());
}
