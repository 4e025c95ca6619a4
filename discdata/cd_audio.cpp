#include "discdata/cd_audio.h"

#include "platform/mci.h"

uint32_t CMCIDevice::Open(uint32_t typeId, bool shareable)
{
    MCI_OPEN_PARMS p;
    p.dwCallback = m_callbackWindow;
    p.lpstrDeviceType = typeId;
    const uint32_t flags = MCI_WAIT | MCI_OPEN_TYPE | MCI_OPEN_TYPE_ID | (shareable ? MCI_OPEN_SHAREABLE : 0);
    const uint32_t result = mciSendCommandA(0, MCI_OPEN, flags, &p);
    if (result == 0)
        m_deviceId = p.wDeviceID;
    return result;
}

uint32_t CMCIDevice::OpenElement(uint32_t typeId, const QString& element, bool shareable)
{
    const QByteArray name = element.toLocal8Bit();
    MCI_OPEN_PARMS p;
    p.dwCallback = m_callbackWindow;
    p.lpstrDeviceType = typeId;
    p.lpstrElementName = name.constData();
    const uint32_t flags =
        MCI_WAIT | MCI_OPEN_TYPE | MCI_OPEN_TYPE_ID | MCI_OPEN_ELEMENT | (shareable ? MCI_OPEN_SHAREABLE : 0);
    const uint32_t result = mciSendCommandA(0, MCI_OPEN, flags, &p);
    if (result == 0)
        m_deviceId = p.wDeviceID;
    return result;
}

uint32_t CMCIDevice::Close()
{
    MCI_GENERIC_PARMS p;
    p.dwCallback = m_callbackWindow;
    return mciSendCommandA(m_deviceId, MCI_CLOSE, 0, &p);
}

uint32_t CMCIDevice::GetMode()
{
    return GetStatus(MCI_STATUS_MODE);
}

uint32_t CMCIDevice::GetStatus(uint32_t item)
{
    MCI_STATUS_PARMS p;
    p.dwCallback = m_callbackWindow;
    p.dwItem = item;
    return mciSendCommandA(m_deviceId, MCI_STATUS, MCI_STATUS_ITEM, &p) == 0 ? p.dwReturn : 0;
}

uint32_t CMCIDevice::OpenWithFlags(uint32_t flags, uintptr_t word1, uintptr_t word2)
{
    MCI_OPEN_PARMS p;
    p.dwCallback = m_callbackWindow;
    p.lpstrDeviceType = word1;
    p.lpstrElementName = reinterpret_cast<const char*>(word2);
    return mciSendCommandA(0, MCI_OPEN, flags, &p);
}

uint32_t CMCIDevice::SendCommand(unsigned message, uint32_t flags, void* params)
{
    return mciSendCommandA(m_deviceId, message, flags, params);
}

uint32_t CCDAudio::Open(uint32_t, bool shareable)
{
    return CMCIDevice::Open(MCI_DEVTYPE_CD_AUDIO, shareable);
}

uint32_t CCDAudio::OpenElement(uint32_t, const QString& element, bool shareable)
{
    return CMCIDevice::OpenElement(MCI_DEVTYPE_CD_AUDIO, element, shareable);
}

uint32_t CCDAudio::GetTrackStatus(uint32_t track, uint32_t item)
{
    MCI_STATUS_PARMS p;
    p.dwCallback = m_callbackWindow;
    p.dwItem = item;
    p.dwTrack = track;
    return mciSendCommandA(m_deviceId, MCI_STATUS, MCI_STATUS_ITEM | MCI_TRACK, &p) == 0 ? p.dwReturn : 0;
}

uint32_t CCDAudio::GetNumberOfTracks()
{
    return GetStatus(MCI_STATUS_NUMBER_OF_TRACKS);
}

uint32_t CCDAudio::GetTrackType(uint32_t track)
{
    return GetTrackStatus(track, MCI_CDA_STATUS_TYPE_TRACK);
}

uint32_t CCDAudio::GetTrackLength(uint32_t track)
{
    return GetTrackStatus(track, MCI_STATUS_LENGTH);
}

uint32_t CCDAudio::GetTrackPosition(uint32_t track)
{
    return GetTrackStatus(track, MCI_STATUS_POSITION);
}

int MsfFrames(uint32_t msf)
{
    return int((MCI_MSF_MINUTE(msf) * 60 + MCI_MSF_SECOND(msf)) * 75 + MCI_MSF_FRAME(msf));
}
