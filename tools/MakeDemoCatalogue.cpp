// Writes the demo variable catalogue that ships beside the program, so that a
// first start without a Vars.cfg of the user's own offers a real variable list.
//
// Usage: cac-make-demo-catalogue OUTPUT
#include "VarsFileWriter.h"

#include <QSaveFile>
#include <QSet>
#include <QString>

#include <cstdio>
#include <initializer_list>
#include <utility>

namespace {

using Names = std::initializer_list<std::pair<const char*, const char*>>; // user, default

// Each group starts at the first identifier of its unit range.
struct Group {
    int firstId;
    Names names;
};

const Group Groups[] = {
    {1000, // degrees Celsius
     {{"Coolant temp", "ECT"},
      {"Oil temp", "OILT"},
      {"Intake air temp", "IAT"},
      {"Fuel temp", "FUELT"},
      {"Gearbox oil temp", "GBOXT"},
      {"Diff oil temp", "DIFFT"},
      {"Ambient temp", "AMBT"},
      {"Charge air temp", "CHAT"},
      {"Turbo inlet temp", "TURBIT"},
      {"Exhaust gas temp 1", "EGT1"},
      {"Exhaust gas temp 2", "EGT2"},
      {"Exhaust gas temp 3", "EGT3"},
      {"Exhaust gas temp 4", "EGT4"},
      {"Exhaust gas temp 5", "EGT5"},
      {"Exhaust gas temp 6", "EGT6"},
      {"Exhaust gas temp 7", "EGT7"},
      {"Exhaust gas temp 8", "EGT8"},
      {"Brake disc temp FL", "BRKTFL"},
      {"Brake disc temp FR", "BRKTFR"},
      {"Brake disc temp RL", "BRKTRL"},
      {"Brake disc temp RR", "BRKTRR"},
      {"Tyre temp FL", "TYRTFL"},
      {"Tyre temp FR", "TYRTFR"},
      {"Tyre temp RL", "TYRTRL"},
      {"Tyre temp RR", "TYRTRR"},
      {"Cabin temp", "CABT"},
      {"Battery temp", "BATTT"},
      {"Clutch temp", "CLUTT"},
      {"Power steering fluid temp", "PSFT"},
      {"Radiator outlet temp", "RADOT"}}},
    {1500, // RPM
     {{"Engine speed", "RPM"}}},
    {1501, // Hz
     {{"Wheel speed FL", "WSFL"},        {"Wheel speed FR", "WSFR"},
      {"Wheel speed RL", "WSRL"},        {"Wheel speed RR", "WSRR"},
      {"Gearbox input shaft", "GBIN"},   {"Gearbox output shaft", "GBOUT"},
      {"Turbo shaft speed", "TURBOF"},   {"Cam sensor", "CAMF"},
      {"Crank sensor", "CRANKF"},        {"Fuel flow pulses", "FFLOWF"},
      {"Propshaft speed", "PROPF"},      {"Alternator speed", "ALTF"},
      {"Radiator fan speed", "FANF"},    {"Fuel pump speed", "FPUMPF"},
      {"Water pump speed", "WPUMPF"},    {"Injector frequency", "INJF"},
      {"Ignition frequency", "IGNF"},    {"Knock frequency", "KNOCKF"},
      {"Driveshaft speed left", "DSLF"}, {"Driveshaft speed right", "DSRF"},
      {"Supercharger speed", "SCHGF"},   {"Oil pump speed", "OPUMPF"},
      {"Vehicle speed pulses", "VSSF"},  {"Clutch slave speed", "CLUTF"}}},
    {2000, // %
     {{"Throttle position", "TPS"},
      {"Pedal position", "APP"},
      {"Engine load", "LOAD"},
      {"Brake pedal travel", "BRKPED"},
      {"Clutch pedal travel", "CLUTPED"},
      {"Fuel level", "FUELL"},
      {"Idle valve duty", "IDLEDC"},
      {"Wastegate duty", "WGDC"},
      {"Fan duty", "FANDC"},
      {"EGR position", "EGRP"},
      {"Boost control duty", "BCDC"},
      {"Injector duty", "INJDC"},
      {"Lambda trim bank 1", "LTRIM1"},
      {"Lambda trim bank 2", "LTRIM2"},
      {"Short term fuel trim 1", "STFT1"},
      {"Short term fuel trim 2", "STFT2"},
      {"Long term fuel trim 1", "LTFT1"},
      {"Long term fuel trim 2", "LTFT2"},
      {"Relative humidity", "RHUM"},
      {"Battery charge", "SOC"},
      {"Steering assist", "ASSIST"},
      {"Traction control cut", "TCCUT"},
      {"Rear wing position", "DRS"},
      {"Purge valve duty", "PURGEDC"}}},
    {2500, // milliseconds
     {{"Injection time", "INJT"},        {"Lap time", "LAPT"},
      {"Sector time 1", "SECT1"},        {"Sector time 2", "SECT2"},
      {"Sector time 3", "SECT3"},        {"Gear shift time", "SHIFTT"},
      {"Ignition dwell", "DWELL"},       {"Injector pulse bank 1", "IPW1"},
      {"Injector pulse bank 2", "IPW2"}, {"Engine cycle time", "CYCT"},
      {"Upshift cut time", "UPCUT"},     {"Downshift blip time", "BLIPT"},
      {"Brake reaction time", "BRKRT"},  {"Pit lane time", "PITT"},
      {"Launch time", "LAUNT"},          {"Driver reaction time", "REACT"},
      {"Best lap time", "BESTLAP"},      {"Last lap time", "LASTLAP"},
      {"Split time", "SPLIT"},           {"Throttle response time", "THRRT"}}},
    {3000, // degrees
     {{"Ignition advance", "IGNADV"},  {"Steering angle", "STEER"},
      {"Inlet cam angle", "CAMIN"},    {"Exhaust cam angle", "CAMEX"},
      {"Throttle angle", "THRA"},      {"Pitch angle", "PITCH"},
      {"Roll angle", "ROLL"},          {"Yaw angle", "YAW"},
      {"Knock retard cyl 1", "KRET1"}, {"Knock retard cyl 2", "KRET2"},
      {"Knock retard cyl 3", "KRET3"}, {"Knock retard cyl 4", "KRET4"},
      {"Knock retard cyl 5", "KRET5"}, {"Knock retard cyl 6", "KRET6"},
      {"Knock retard cyl 7", "KRET7"}, {"Knock retard cyl 8", "KRET8"},
      {"Crank angle", "CRANKA"},       {"Slip angle", "SLIPA"},
      {"Front wing angle", "FWINGA"},  {"Rear wing angle", "RWINGA"},
      {"Injection angle", "INJA"},     {"Heading", "HEADING"}}},
    {3500, // mBar
     {{"Manifold pressure", "MAP"},      {"Barometric pressure", "BARO"},
      {"Oil pressure", "OILP"},          {"Fuel pressure", "FUELP"},
      {"Boost pressure", "BOOST"},       {"Brake pressure front", "BRKPF"},
      {"Brake pressure rear", "BRKPR"},  {"Coolant pressure", "COOLP"},
      {"Crankcase pressure", "CRANKP"},  {"Exhaust back pressure", "EXBP"},
      {"Tyre pressure FL", "TYRPFL"},    {"Tyre pressure FR", "TYRPFR"},
      {"Tyre pressure RL", "TYRPRL"},    {"Tyre pressure RR", "TYRPRR"},
      {"Gearbox oil pressure", "GBOXP"}, {"Clutch pressure", "CLUTPR"},
      {"Airbox pressure", "AIRBP"},      {"Pitot pressure", "PITOT"},
      {"Hydraulic pressure", "HYDP"},    {"Power steering pressure", "PSP"}}},
    {4000, // no units
     {{"Gear", "GEAR"},
      {"Lap number", "LAPNO"},
      {"Engine state", "ENGST"},
      {"Launch control status", "LCST"},
      {"Traction control level", "TCLVL"},
      {"Map position", "MAPPOS"},
      {"ECU error code", "ERRC"},
      {"Lambda 1", "LAM1"},
      {"Lambda 2", "LAM2"},
      {"Battery voltage", "VBAT"},
      {"Gear ratio", "GRATIO"},
      {"Lateral acceleration", "LATG"},
      {"Longitudinal acceleration", "LONGG"},
      {"Vertical acceleration", "VERTG"},
      {"Damper position FL", "DAMPFL"},
      {"Damper position FR", "DAMPFR"},
      {"Damper position RL", "DAMPRL"},
      {"Damper position RR", "DAMPRR"},
      {"Fuel consumption", "FUELC"},
      {"Ride height front", "RHF"},
      {"Ride height rear", "RHR"},
      {"Brake bias", "BBIAS"},
      {"ABS status", "ABSST"},
      {"Knock count", "KNCNT"}}},
};

} // namespace

int main(int argc, char* argv[]) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: cac-make-demo-catalogue OUTPUT\n");
        return 2;
    }

    cac::tools::VarsFileLayout varsFile;
    varsFile.upperIndexA = 3;
    varsFile.upperIndexB = 8000; // the variable look-up compares up to index 8000
    QSet<QString> defaultNames;
    for (const Group& group : Groups) {
        int id = group.firstId;
        for (const auto& [user, defaultName] : group.names) {
            const QString name = QString::fromLatin1(defaultName);
            if (defaultNames.contains(name)) {
                std::fprintf(stderr, "duplicate default name %s\n", defaultName);
                return 1;
            }
            defaultNames.insert(name);
            varsFile.entries.insert(id++, {name, QString::fromLatin1(user)});
        }
    }

    QSaveFile file(QString::fromLocal8Bit(argv[1]));
    if (!file.open(QIODevice::WriteOnly) || file.write(cac::tools::WriteVarsFile(varsFile)) < 0 ||
        !file.commit()) {
        std::fprintf(stderr, "cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
