#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <cstdint>

// A CAN database (.dbc) as far as channels need it: the messages, their
// signals with value types and comments. Everything else a database holds
// (nodes, attributes, value tables, environment variables) is read over.
namespace cac {

// SIG_VALTYPE_ 1 and 2; signals without one are integers.
enum class DbcValueType { Integer, Float, Double };

struct DbcSignal {
    QString name;
    // Intel: the least significant bit. Motorola: the most significant bit,
    // numbered forward through the bytes (byte 0 holds bits 7 down to 0).
    int startBit = 0;
    int length = 0;
    bool littleEndian = true; // "@1" Intel; "@0" Motorola
    bool isSigned = false;    // "-"
    DbcValueType valueType = DbcValueType::Integer;
    double factor = 1; // physical value = raw * factor + offset
    double offset = 0;
    double minimum = 0;
    double maximum = 0;
    QString unit;
    QStringList receivers;
    bool isMultiplexor = false; // "M", also in "mNM"
    int multiplexValue = -1;    // N of "mN"; -1 when the signal is in every frame
    QString comment;
    int line = 0; // where its SG_ statement starts
};

struct DbcMessage {
    std::uint32_t id = 0;  // without the extended-frame flag
    bool extended = false; // bit 31 of the identifier as the database writes it
    QString name;
    int length = 0; // data bytes
    QString sender;
    QString comment;
    QList<DbcSignal> signalList; // not "signals": that is a Qt keyword
    int line = 0;
};

struct DbcProblem {
    int line = 0;
    QString message;
};

struct CanDatabase {
    QList<DbcMessage> messages;
    // Statements that could not be read, by line; reading went on after each.
    QList<DbcProblem> problems;
};

// Reads database text: UTF-8 (with or without a byte-order mark) or, when the
// bytes are not valid UTF-8, Latin-1; lines end with LF, CR LF or CR. Never
// fails: what cannot be read becomes a problem and the next statement is read.
CanDatabase ReadCanDatabase(const QByteArray& bytes);

// Reads the file; false with the reason when it cannot be opened, is not a
// regular file (a device, a pipe) or is larger than any database.
bool LoadCanDatabase(const QString& path, CanDatabase& database, QString* error = nullptr);
inline constexpr qint64 MaxCanDatabaseFileSize = 128 * 1024 * 1024;

// A signal's place in a database.
struct SignalRef {
    int message = -1;
    int signal = -1;
};

// Every signal called `name`, or the one that "MESSAGE.SIGNAL" names; empty
// when none is. Names compare exactly, as the database's names are identifiers.
QList<SignalRef> FindSignals(const CanDatabase& database, const QString& name);

// "MESSAGE.SIGNAL", the name that is never ambiguous.
QString SignalPath(const CanDatabase& database, SignalRef ref);

// "0x" and the upper-case hexadecimal identifier, as the CAN ID cell takes it.
QString IdentifierText(const DbcMessage& message);

// The signal's bits as the database writes them: "16|16@1+".
QString SignalLayoutText(const DbcSignal& signal);

// Whether a search text finds the signal: its name, its message's name, its
// unit or its message's identifier text contains the text, ignoring case.
// An empty text finds every signal.
bool SignalMatchesFilter(const DbcMessage& message, const DbcSignal& signal, const QString& filter);

} // namespace cac
