// The start-up port probe of this machine (ports 1 to 16, the Wine prefix of
// the environment) beside its floor: opening and closing the same 16 device
// files, nothing else.
#include "app/platform/SerialPortDevices.h"

#include <QDir>
#include <QFile>

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

namespace {

cac::app::DeviceSerialPortProbe MachinePorts() {
    return cac::app::DeviceSerialPortProbe(
        cac::app::WinePrefixFolder(qEnvironmentVariable("WINEPREFIX"), QDir::homePath()));
}

void ProbePorts(benchmark::State& state) {
    cac::app::DeviceSerialPortProbe ports = MachinePorts();
    int listed = 0;
    for (auto _ : state) {
        listed = 0;
        for (int port = 1; port <= 16; ++port)
            listed += ports.canOpen(port);
        benchmark::DoNotOptimize(listed);
    }
    state.counters["listed"] = listed;
}
BENCHMARK(ProbePorts)->Unit(benchmark::kMicrosecond);

void FloorOpenCloseDeviceFiles(benchmark::State& state) {
    const cac::app::DeviceSerialPortProbe ports = MachinePorts();
    QByteArray devices[16];
    for (int port = 1; port <= 16; ++port)
        devices[port - 1] = QFile::encodeName(ports.deviceName(port));
    for (auto _ : state) {
        for (const QByteArray& device : devices) {
            const int fd = ::open(device.constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
            if (fd >= 0)
                ::close(fd);
            benchmark::DoNotOptimize(fd);
        }
    }
}
BENCHMARK(FloorOpenCloseDeviceFiles)->Unit(benchmark::kMicrosecond);

} // namespace
