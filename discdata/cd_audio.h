#pragma once
// The CD-audio device: opens a drive and reads its track count, each track's kind, start and
// length. The owner closes the device before deleting it.
#include <QString>
#include <cstdint>

class CMCIDevice {
public:
    virtual ~CMCIDevice() = default;

    virtual uint32_t Open(uint32_t typeId, bool shareable);
    virtual uint32_t OpenElement(uint32_t typeId, const QString& element, bool shareable);
    virtual uint32_t Close();
    virtual uint32_t GetMode();
    // The status value, 0 when the request fails.
    virtual uint32_t GetStatus(uint32_t item);
    virtual uint32_t OpenWithFlags(uint32_t flags, uintptr_t word1, uintptr_t word2);

    uint32_t SendCommand(unsigned message, uint32_t flags, void* params);
    uint32_t GetDeviceId() const { return m_deviceId; }

protected:
    uint32_t m_deviceId = 0;
    uint32_t m_callbackWindow = 0;
};

class CCDAudio : public CMCIDevice {
public:
    // The type id given is ignored: this is always the CD-audio device.
    uint32_t Open(uint32_t typeId, bool shareable) override;
    uint32_t OpenElement(uint32_t typeId, const QString& element, bool shareable) override;

    uint32_t GetTrackStatus(uint32_t track, uint32_t item);
    uint32_t GetNumberOfTracks();
    // MCI_CDA_TRACK_AUDIO for an audio track.
    uint32_t GetTrackType(uint32_t track);
    // Packed minutes, seconds and frames.
    uint32_t GetTrackLength(uint32_t track);
    // Where the track starts on the disc, lead-in included (packed as the length).
    uint32_t GetTrackPosition(uint32_t track);
};

// Frames of a packed minutes-seconds-frames time (75 frames a second).
int MsfFrames(uint32_t msf);
