#include "platform/mci.h"

#include <QDir>
#include <QMutex>
#include <QMutexLocker>

#include <cdio/cdio.h>
#include <cdio/logging.h>

#include <map>

namespace {

QMutex g_lock;
std::map<uint32_t, CdIo_t*> g_devices;
uint32_t g_nextId = 1;

// libcdio's warnings about unreadable images would go to stderr; the callers see the result.
void QuietLog(cdio_log_level_t, const char*) {}

CdIo_t* Device(uint32_t id)
{
    const auto it = g_devices.find(id);
    return it == g_devices.end() ? nullptr : it->second;
}

uint32_t Msf(lsn_t frames)
{
    const uint32_t f = uint32_t(frames);
    return MCI_MAKE_MSF(f / (75 * 60), (f / 75) % 60, f % 75);
}

// First and last track numbers, false when the disc has none.
bool TrackRange(CdIo_t* cd, track_t& first, track_t& count)
{
    first = cdio_get_first_track_num(cd);
    count = cdio_get_num_tracks(cd);
    return first != CDIO_INVALID_TRACK && count != CDIO_INVALID_TRACK && count > 0;
}

uint32_t Status(CdIo_t* cd, uint32_t flags, MCI_STATUS_PARMS* p)
{
    track_t first, count;
    const bool hasTracks = TrackRange(cd, first, count);
    if (!(flags & MCI_TRACK)) {
        switch (p->dwItem) {
        case MCI_STATUS_NUMBER_OF_TRACKS: p->dwReturn = hasTracks ? count : 0; return 0;
        case MCI_STATUS_MODE: p->dwReturn = hasTracks ? MCI_MODE_STOP : MCI_MODE_NOT_READY; return 0;
        case MCI_STATUS_LENGTH: {
            if (!hasTracks)
                return MCIERR_HARDWARE;
            const lsn_t start = cdio_get_track_lsn(cd, first);
            const lsn_t end = cdio_get_track_lsn(cd, CDIO_CDROM_LEADOUT_TRACK);
            if (start == CDIO_INVALID_LSN || end == CDIO_INVALID_LSN || end < start)
                return MCIERR_HARDWARE;
            p->dwReturn = Msf(end - start);
            return 0;
        }
        default: return MCIERR_UNSUPPORTED_FUNCTION;
        }
    }
    if (!hasTracks || p->dwTrack < 1 || p->dwTrack > count)
        return MCIERR_OUTOFRANGE;
    const track_t track = track_t(first + p->dwTrack - 1);
    switch (p->dwItem) {
    case MCI_CDA_STATUS_TYPE_TRACK:
        p->dwReturn = cdio_get_track_format(cd, track) == TRACK_FORMAT_AUDIO ? MCI_CDA_TRACK_AUDIO
                                                                             : MCI_CDA_TRACK_OTHER;
        return 0;
    case MCI_STATUS_POSITION: {
        const lsn_t start = cdio_get_track_lsn(cd, track);
        if (start == CDIO_INVALID_LSN || start < 0)
            return MCIERR_HARDWARE;
        p->dwReturn = Msf(start + CDIO_PREGAP_SECTORS);
        return 0;
    }
    case MCI_STATUS_LENGTH: {
        const lsn_t start = cdio_get_track_lsn(cd, track);
        const track_t next = p->dwTrack == count ? track_t(CDIO_CDROM_LEADOUT_TRACK) : track_t(track + 1);
        const lsn_t end = cdio_get_track_lsn(cd, next);
        if (start == CDIO_INVALID_LSN || end == CDIO_INVALID_LSN || end < start)
            return MCIERR_HARDWARE;
        p->dwReturn = Msf(end - start);
        return 0;
    }
    default: return MCIERR_UNSUPPORTED_FUNCTION;
    }
}

} // namespace

uint32_t mciSendCommandA(uint32_t deviceId, unsigned message, uint32_t flags, void* params)
{
    QMutexLocker locker(&g_lock);
    switch (message) {
    case MCI_OPEN: {
        auto* p = static_cast<MCI_OPEN_PARMS*>(params);
        if (!p)
            return MCIERR_MISSING_PARAMETER;
        if ((flags & MCI_OPEN_TYPE_ID) && p->lpstrDeviceType != MCI_DEVTYPE_CD_AUDIO)
            return MCIERR_INVALID_DEVICE_NAME;
        if (!(flags & MCI_OPEN_ELEMENT) || !p->lpstrElementName || !*p->lpstrElementName)
            return MCIERR_INVALID_DEVICE_NAME;
        static const bool quiet = (cdio_log_set_handler(QuietLog), true);
        (void)quiet;
        CdIo_t* cd = cdio_open(p->lpstrElementName, DRIVER_UNKNOWN);
        if (!cd)
            return MCIERR_HARDWARE;
        const uint32_t id = g_nextId++;
        g_devices[id] = cd;
        p->wDeviceID = id;
        return 0;
    }
    case MCI_CLOSE: {
        const auto it = g_devices.find(deviceId);
        if (it == g_devices.end())
            return MCIERR_INVALID_DEVICE_ID;
        cdio_destroy(it->second);
        g_devices.erase(it);
        return 0;
    }
    case MCI_STATUS: {
        CdIo_t* cd = Device(deviceId);
        if (!cd)
            return MCIERR_INVALID_DEVICE_ID;
        auto* p = static_cast<MCI_STATUS_PARMS*>(params);
        if (!p || !(flags & MCI_STATUS_ITEM))
            return MCIERR_MISSING_PARAMETER;
        return Status(cd, flags, p);
    }
    default: return MCIERR_UNRECOGNIZED_COMMAND;
    }
}

QStringList CdAudioDrives()
{
    const QByteArray listed = qgetenv("KORVANE_CD_DRIVES");
    if (!listed.isEmpty())
        return QString::fromLocal8Bit(listed).split(QDir::listSeparator(), Qt::SkipEmptyParts);
    QStringList drives;
    QMutexLocker locker(&g_lock);
    char** devices = cdio_get_devices(DRIVER_DEVICE);
    for (char** d = devices; d && *d; ++d)
        drives << QString::fromLocal8Bit(*d);
    cdio_free_device_list(devices);
    return drives;
}
