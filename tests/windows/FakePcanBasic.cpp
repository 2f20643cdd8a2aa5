// Stands in for PEAK's PCANBasic.dll: the functions of the public PCAN-Basic
// API the program uses, with their signatures. PCAN-USB 1 is free, PCAN-USB 2
// in use by another program, the others absent. Initialised, channel 1's
// receive queue holds the frames of the candump log named by
// CAC_FAKE_PCAN_LOG (a status message among them), then stays empty.
// FakePcan_Calls() tells the test what the program called.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
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

constexpr WORD UsbBus1 = 0x51, UsbBus2 = 0x52;
constexpr DWORD ErrorOk = 0, ErrorQueueEmpty = 0x20, ErrorIllegalHardware = 0x1400,
                ErrorInitialize = 0x40000000, ErrorIllegalParameterType = 0x4000;

struct Queued {
    Message message;
    Timestamp stamp;
};

std::vector<Queued> queue;
size_t next = 0;
bool initialised = false;
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
void ReadLog(const char* path) {
    queue.clear();
    next = 0;
    FILE* file = path ? std::fopen(path, "r") : nullptr;
    if (!file)
        return;
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
        Queued q{};
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
        queue.push_back(q);
        if (queue.size() == 3) { // a bus status, which is no frame
            Queued status{};
            status.message.type = 0x80;
            status.message.length = 4;
            queue.push_back(status);
        }
    }
    std::fclose(file);
}

} // namespace

extern "C" {

__declspec(dllexport) DWORD __stdcall CAN_Initialize(WORD channel, WORD rate, BYTE, DWORD, WORD) {
    Call("Initialize 0x%X 0x%04X", channel, rate);
    if (channel != UsbBus1)
        return channel == UsbBus2 ? ErrorInitialize : ErrorIllegalHardware;
    initialised = true;
    ReadLog(std::getenv("CAC_FAKE_PCAN_LOG"));
    return ErrorOk;
}

__declspec(dllexport) DWORD __stdcall CAN_Uninitialize(WORD channel) {
    Call("Uninitialize 0x%X", channel);
    initialised = false;
    return ErrorOk;
}

__declspec(dllexport) DWORD __stdcall CAN_Read(WORD channel, Message* message, Timestamp* stamp) {
    if (!initialised || channel != UsbBus1)
        return ErrorIllegalHardware;
    if (next >= queue.size())
        return ErrorQueueEmpty;
    *message = queue[next].message;
    if (stamp)
        *stamp = queue[next].stamp;
    ++next;
    return ErrorOk;
}

__declspec(dllexport) DWORD
    __stdcall CAN_GetValue(WORD channel, BYTE parameter, void* buffer, DWORD length) {
    if (parameter != 0x0D || length < sizeof(DWORD))
        return ErrorIllegalParameterType;
    const DWORD condition = channel == UsbBus1 ? 1 : channel == UsbBus2 ? 2 : 0;
    std::memcpy(buffer, &condition, sizeof condition);
    return ErrorOk;
}

__declspec(dllexport) DWORD __stdcall CAN_GetErrorText(DWORD error, WORD, LPSTR buffer) {
    std::snprintf(buffer, 256, "stand-in PCAN-Basic error 0x%lX",
                  static_cast<unsigned long>(error));
    return ErrorOk;
}

__declspec(dllexport) const char* FakePcan_Calls() {
    return calls.c_str();
}

} // extern "C"
