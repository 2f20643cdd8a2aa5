#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <memory>

namespace cac::app {

class LiveCanSource;
class SerialPortProbe;

// A CAN interface live traffic can be read from on this machine.
struct LiveInterface {
    enum class Kind { Slcan, Pcan, System };
    Kind kind = Kind::Slcan;
    QString title;       // "SLCAN adapter on COM3", "PEAK PCAN-USB 1"
    QString address;     // the port's device, the channel's handle, the system's interface name
    QString driver;      // the system's driver plugin (System only)
    QList<int> bitRates; // what it can be set to; empty: the system sets the rate
};

struct LiveInterfaceList {
    QList<LiveInterface> interfaces;
    QStringList notes; // what is missing and why ("PCAN-Basic is not installed")
};

// What this machine offers: an SLCAN adapter on each serial port that opens,
// each PCAN channel when PCAN-Basic is installed (Windows), and the
// interfaces of the system's CAN drivers where the program has them.
LiveInterfaceList ListLiveInterfaces(SerialPortProbe* ports);

// The source reading `choice` at `bitRate`; `address` may name a system
// interface the list did not find (a remote virtual bus).
std::unique_ptr<LiveCanSource> MakeLiveSource(const LiveInterface& choice, int bitRate,
                                              const QString& address);

} // namespace cac::app
