#pragma once

#include "canlog/CanFrame.h"

#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>

namespace cac::app {

// One CAN interface read live: opened, its frames handed over as they
// arrive, closed. Only ever listens: nothing is sent on the bus.
class LiveCanSource : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    // Starts reading; false, with `error` set, when the interface cannot
    // even be opened. connected() follows once it listens.
    virtual bool open(QString* error) = 0;
    // Stops reading; closed() with no reason follows.
    virtual void close() = 0;
    virtual bool isOpen() const = 0;
    // The interface as the user knows it ("SLCAN adapter on COM3").
    virtual QString title() const = 0;
    // What was skipped so far, one line each (lines that were no frames).
    virtual QStringList notes() const { return {}; }

signals:
    // Frames timed in seconds since the interface was opened.
    void framesArrived(const QList<cac::CanFrame>& frames);
    void connected();
    void notesChanged();
    // Reading ended: `reason` is empty when close() was asked for, else why
    // (the adapter refused, the port went away).
    void closed(const QString& reason);
};

} // namespace cac::app
