#pragma once

#include "catalogue/VariableCatalogue.h"
#include "channels/ConfigModel.h"

#include <QFile>
#include <QTest>

#include <csignal>
#include <initializer_list>
#include <sys/resource.h>
#include <unistd.h>

#if defined(__SANITIZE_ADDRESS__)
#define CAC_ADDRESS_SANITIZER
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define CAC_ADDRESS_SANITIZER
#endif
#endif

struct NamedVariable {
    int id;
    QString defaultName;
    QString userName;
};

// A catalogue built in memory: `upperIndex` + 1 entries with empty names, then
// the given (identifier, default name, user name) entries.
inline cac::VariableCatalogue MakeCatalogue(int upperIndex,
                                            std::initializer_list<NamedVariable> named) {
    QMap<std::int32_t, cac::CatalogueEntry> entries;
    for (const NamedVariable& v : named)
        entries.insert(v.id, {v.defaultName, v.userName});
    return cac::VariableCatalogue(upperIndex + 1, entries);
}

// The catalogue most tests share: the full 8001 entries the look-up expects,
// with the extra entries given.
inline cac::VariableCatalogue StandardCatalogue(std::initializer_list<NamedVariable> extra = {}) {
    QList<NamedVariable> named = {{1000, "OILT", "Oil temp"},
                                  {1500, "RPM", "Engine speed"},
                                  {4000, "NOU", "Counter"},
                                  {4002, "CNT3", "Third counter"},
                                  {4255, "CNT256", "Far counter"}};
    named.append(QList<NamedVariable>(extra));
    QMap<std::int32_t, cac::CatalogueEntry> entries;
    for (const NamedVariable& v : named)
        entries.insert(v.id, {v.defaultName, v.userName});
    return cac::VariableCatalogue(8001, entries);
}

// A variable in every identifier group, one below the list and one beyond
// position 255 of its group; short, so that look-ups of unmatched texts stay
// quick in tests that build thousands of images.
inline cac::VariableCatalogue GroupsCatalogue() {
    return MakeCatalogue(4000, {{5, "LOW", "Below list"},
                                {1000, "OILT", "Oil temp"},
                                {1300, "FAR", "Far temp"},
                                {1500, "RPM", "Engine speed"},
                                {1501, "WSPD", "Wheel speed"},
                                {2001, "TPS", "Throttle"},
                                {2502, "LAPT", "Lap time"},
                                {3003, "STEER", "Steering"},
                                {3504, "MAP", "Manifold"},
                                {4000, "NOU", "Counter"}});
}

// A channel row as one text, "|" between its twelve setting cells.
inline const QString DefaultRow =
    QStringLiteral("**Do not use**|11 bit|0x100|No Filter|0|0|1|Signed|Intel standard|1|0|0");
inline const QString EmptyRow(11, '|');

inline void SetRow(cac::ConfigModel& model, int row, const QString& cells) {
    const QStringList texts = cells.split('|');
    for (int c = 1; c <= texts.size(); ++c)
        model.setCell(row, c, texts[c - 1]);
}

inline QString RowText(const cac::ConfigModel& model, int row) {
    QStringList cells;
    for (int c = 1; c < cac::ChannelGridColumns; ++c)
        cells << model.cell(row, c);
    return cells.join('|');
}

// Names the table row that a failing QCOMPARE or QVERIFY in its scope belongs
// to: declare one at the top of each pass over a table.
class RowName {
public:
    explicit RowName(const QString& name) : m_name(name) {}
    ~RowName() {
        if (QTest::currentTestFailed())
            qWarning("  in row %s", qPrintable(m_name));
    }

private:
    QString m_name;
};

inline QByteArray ReadAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

// Lets writes beyond `bytes` fail with EFBIG for the lifetime of the object;
// works where permissions do not stop the test user.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) : m_oldHandler(std::signal(SIGXFSZ, SIG_IGN)) {
        getrlimit(RLIMIT_FSIZE, &m_saved);
        const rlimit limit{bytes, m_saved.rlim_max};
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &m_saved);
        std::signal(SIGXFSZ, m_oldHandler);
    }

private:
    rlimit m_saved{};
    void (*m_oldHandler)(int) = nullptr;
};

// Lets the program map at most `headroom` bytes more than it has mapped now,
// while the object lives. Not set under the address sanitizer, whose shadow
// memory needs far more.
class AddressSpaceLimit {
public:
    explicit AddressSpaceLimit(rlim_t headroom) {
#if !defined(CAC_ADDRESS_SANITIZER)
        QFile statm("/proc/self/statm");
        if (!statm.open(QIODevice::ReadOnly) || getrlimit(RLIMIT_AS, &m_saved) != 0)
            return;
        const rlim_t mapped = statm.readAll().split(' ').value(0).toULongLong() *
                              static_cast<rlim_t>(sysconf(_SC_PAGESIZE));
        const rlimit tight{mapped + headroom, m_saved.rlim_max};
        m_set = setrlimit(RLIMIT_AS, &tight) == 0;
#else
        Q_UNUSED(headroom);
#endif
    }
    ~AddressSpaceLimit() {
        if (m_set)
            setrlimit(RLIMIT_AS, &m_saved);
    }

private:
    rlimit m_saved{};
    bool m_set = false;
};
