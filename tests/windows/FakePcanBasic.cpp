// Stands in for PEAK's PCANBasic.dll: the functions of the public PCAN-Basic
// API the program uses, with their signatures.
//
// The channels as CAN_GetValue tells them: the PCAN-USB numbers listed in
// CAC_FAKE_PCAN_FREE (read at each call; "1 8" when unset) are free, 2 is in
// use by another program, 3 fails the question, the others are absent.
// Initialised, channel 1's receive queue holds the frames of the candump log
// named by CAC_FAKE_PCAN_LOG (a status message among them), then stays empty.
// Channel 8 gives the log's first three frames, reports the bus passive, has
// nothing for a moment, gives two frames more, then is unplugged: every read
// after fails.
//
// Built without CAN_Read (CAC_FAKE_PCAN_WITHOUT_READ) or without CAN_GetValue
// (CAC_FAKE_PCAN_WITHOUT_GETVALUE), it is an older or damaged library.
// FakePcan_Calls() tells the test what the program called since it last asked.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

namespace {

struct Message {
    DWORD id;
    BYTE type;
    BYTE length;
    BYTE data[8];
};

struct Timestamp {
    DWORD millis;
    WORD millisOverflow;
    WORD micros;
};

constexpr WORD UsbBus1 = 0x51, UsbBus2 = 0x52, UsbBus3 = 0x53, UsbBus8 = 0x58;
constexpr DWORD ErrorOk = 0, ErrorQueueEmpty = 0x20, ErrorIllegalHardware = 0x1400,
                ErrorBusPassive = 0x40000, ErrorInitialize = 0x40000000,
                ErrorIllegalParameterType = 0x4000;

// One read's outcome: a message, or a status without one.
struct Step {
    DWORD status;
    Message message;
    Timestamp stamp;
};

std::vector<Step> steps;
size_t next = 0;
DWORD afterSteps = ErrorQueueEmpty; // what each read gives once the steps are done
WORD initialised = 0;
std::string calls;

void Call(const char* format, unsigned a, unsigned b = 0) {
    char text[64];
    std::snprintf(text, sizeof text, format, a, b);
    calls += text;
    calls += ';';
}

unsigned Hex(const std::string& text) {
    return static_cast<unsigned>(std::strtoul(text.c_str(), nullptr, 16));
}

// "(12.345678) can0 1F334455#1122 R": time, identifier, data or R for remote.
std::vector<Step> ReadLog(const char* path) {
    std::vector<Step> frames;
    FILE* file = path ? std::fopen(path, "r") : nullptr;
    if (!file)
        return frames;
    char line[256];
    while (std::fgets(line, sizeof line, file)) {
        double seconds = 0;
        char frame[128] = {};
        if (std::sscanf(line, "(%lf) %*s %127s", &seconds, frame) != 2)
            continue;
        const std::string text = frame;
        const size_t hash = text.find('#');
        if (hash == std::string::npos)
            continue;
        Step q{};
        q.message.id = Hex(text.substr(0, hash));
        q.message.type = hash > 3 ? 0x02 : 0x00;
        const std::string data = text.substr(hash + 1);
        if (!data.empty() && data[0] == 'R') {
            q.message.type |= 0x01;
            q.message.length = data.size() > 1 ? BYTE(Hex(data.substr(1))) : 0;
        } else {
            q.message.length = BYTE(data.size() / 2);
            for (size_t i = 0; i < q.message.length && i < 8; ++i)
                q.message.data[i] = BYTE(Hex(data.substr(2 * i, 2)));
        }
        const unsigned long long micros = static_cast<unsigned long long>(seconds * 1e6 + 0.5);
        q.stamp.millis = DWORD(micros / 1000 + 5000); // the system started a while ago
        q.stamp.micros = WORD(micros % 1000);
        frames.push_back(q);
    }
    std::fclose(file);
    return frames;
}

void Script(WORD channel) {
    std::vector<Step> frames = ReadLog(std::getenv("CAC_FAKE_PCAN_LOG"));
    steps.clear();
    next = 0;
    afterSteps = ErrorQueueEmpty;
    if (channel == UsbBus1) {
        steps = frames;
        if (steps.size() > 3) { // a bus status, which is no frame
            Step status{};
            status.message.type = 0x80;
            status.message.length = 4;
            steps.insert(steps.begin() + 3, status);
        }
    } else if (channel == UsbBus8 && frames.size() >= 5) {
        steps.assign(frames.begin(), frames.begin() + 3);
        steps.push_back({ErrorBusPassive, {}, {}});
        steps.push_back({ErrorQueueEmpty, {}, {}});
        steps.insert(steps.end(), frames.begin() + 3, frames.begin() + 5);
        afterSteps = ErrorIllegalHardware;
    }
}

// Whether CAC_FAKE_PCAN_FREE lists the channel; unused without CAN_GetValue.
[[maybe_unused]] bool Free(WORD channel) {
    const char* listed = std::getenv("CAC_FAKE_PCAN_FREE");
    std::istringstream numbers(listed ? listed : "1 8");
    int number = 0;
    while (numbers >> number)
        if (channel == 0x50 + number)
            return true;
    return false;
}

} // namespace

extern "C" {

__declspec(dllexport) DWORD __stdcall CAN_Initialize(WORD channel, WORD rate, BYTE, DWORD, WORD) {
    Call("Initialize 0x%X 0x%04X", channel, rate);
    if (channel == UsbBus2)
        return ErrorInitialize;
    if (channel != UsbBus1 && channel != UsbBus8)
        return ErrorIllegalHardware;
    initialised = channel;
    Script(channel);
    return ErrorOk;
}

__declspec(dllexport) DWORD __stdcall CAN_Uninitialize(WORD channel) {
    Call("Uninitialize 0x%X", channel);
    if (channel == initialised)
        initialised = 0;
    return ErrorOk;
}

#ifndef CAC_FAKE_PCAN_WITHOUT_READ
__declspec(dllexport) DWORD __stdcall CAN_Read(WORD channel, Message* message, Timestamp* stamp) {
    if (initialised == 0 || channel != initialised)
        return ErrorIllegalHardware;
    if (next >= steps.size())
        return afterSteps;
    const Step& step = steps[next++];
    if (step.status != ErrorOk)
        return step.status;
    *message = step.message;
    if (stamp)
        *stamp = step.stamp;
    return ErrorOk;
}
#endif

#ifndef CAC_FAKE_PCAN_WITHOUT_GETVALUE
__declspec(dllexport) DWORD
    __stdcall CAN_GetValue(WORD channel, BYTE parameter, void* buffer, DWORD length) {
    if (parameter != 0x0D || length < sizeof(DWORD) || channel == UsbBus3)
        return ErrorIllegalParameterType;
    const DWORD condition = Free(channel) ? 1 : channel == UsbBus2 ? 2 : 0;
    std::memcpy(buffer, &condition, sizeof condition);
    return ErrorOk;
}
#endif

__declspec(dllexport) DWORD __stdcall CAN_GetErrorText(DWORD error, WORD, LPSTR buffer) {
    std::snprintf(buffer, 256, "stand-in PCAN-Basic error 0x%lX",
                  static_cast<unsigned long>(error));
    return ErrorOk;
}

__declspec(dllexport) const char* FakePcan_Calls() {
    static std::string told;
    told = std::exchange(calls, std::string());
    return told.c_str();
}

} // extern "C"
