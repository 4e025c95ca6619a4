#pragma once
// The multimedia command interface, for the CD-audio device only: opening a drive, and the
// number, kind, start and length of its tracks. Backed by libcdio; a drive is a device path,
// or a disc image (".cue", ".toc") named in KORVANE_CD_DRIVES.
#include <QStringList>
#include <cstdint>

constexpr unsigned MCI_OPEN = 0x803;
constexpr unsigned MCI_CLOSE = 0x804;
constexpr unsigned MCI_STATUS = 0x814;

constexpr uint32_t MCI_WAIT = 0x2;
constexpr uint32_t MCI_OPEN_SHAREABLE = 0x100;
constexpr uint32_t MCI_OPEN_ELEMENT = 0x200;
constexpr uint32_t MCI_OPEN_TYPE_ID = 0x1000;
constexpr uint32_t MCI_OPEN_TYPE = 0x2000;
constexpr uint32_t MCI_STATUS_ITEM = 0x100;
constexpr uint32_t MCI_TRACK = 0x10;

constexpr uint32_t MCI_STATUS_LENGTH = 1;
constexpr uint32_t MCI_STATUS_POSITION = 2;
constexpr uint32_t MCI_STATUS_NUMBER_OF_TRACKS = 3;
constexpr uint32_t MCI_STATUS_MODE = 4;
constexpr uint32_t MCI_CDA_STATUS_TYPE_TRACK = 0x4001;

constexpr uint32_t MCI_CDA_TRACK_AUDIO = 1088;
constexpr uint32_t MCI_CDA_TRACK_OTHER = 1089;
constexpr uint32_t MCI_MODE_NOT_READY = 524;
constexpr uint32_t MCI_MODE_STOP = 525;
constexpr uint32_t MCI_DEVTYPE_CD_AUDIO = 516;

constexpr uint32_t MCIERR_INVALID_DEVICE_ID = 257;
constexpr uint32_t MCIERR_UNRECOGNIZED_COMMAND = 261;
constexpr uint32_t MCIERR_HARDWARE = 262;
constexpr uint32_t MCIERR_INVALID_DEVICE_NAME = 263;
constexpr uint32_t MCIERR_MISSING_PARAMETER = 273;
constexpr uint32_t MCIERR_UNSUPPORTED_FUNCTION = 274;
constexpr uint32_t MCIERR_OUTOFRANGE = 282;

struct MCI_OPEN_PARMS {
    uintptr_t dwCallback = 0;
    uint32_t wDeviceID = 0;
    uintptr_t lpstrDeviceType = 0; // a type id with MCI_OPEN_TYPE_ID
    const char* lpstrElementName = nullptr;
    const char* lpstrAlias = nullptr;
};

struct MCI_STATUS_PARMS {
    uintptr_t dwCallback = 0;
    uint32_t dwReturn = 0;
    uint32_t dwItem = 0;
    uint32_t dwTrack = 0;
};

struct MCI_GENERIC_PARMS {
    uintptr_t dwCallback = 0;
};

// Times in the minutes-seconds-frames format: minutes in byte 0, seconds in 1, frames in 2.
constexpr uint32_t MCI_MAKE_MSF(uint32_t m, uint32_t s, uint32_t f)
{
    return (m & 0xFF) | ((s & 0xFF) << 8) | ((f & 0xFF) << 16);
}
constexpr uint32_t MCI_MSF_MINUTE(uint32_t msf)
{
    return msf & 0xFF;
}
constexpr uint32_t MCI_MSF_SECOND(uint32_t msf)
{
    return (msf >> 8) & 0xFF;
}
constexpr uint32_t MCI_MSF_FRAME(uint32_t msf)
{
    return (msf >> 16) & 0xFF;
}

// 0 on success, else an MCIERR_ number. Positions count the 2-second lead-in, as a player's do.
uint32_t mciSendCommandA(uint32_t deviceId, unsigned message, uint32_t flags, void* params);

// The CD drives: those listed in KORVANE_CD_DRIVES (separated by the path-list separator), or
// else the system's CD-ROM devices.
QStringList CdAudioDrives();
