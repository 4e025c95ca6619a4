#include "discdata/cddb_socket.h"

#include <QPointer>
#include <QStringDecoder>
#include <QTimer>

// ---- the replies ----

QString TCDDBReplyParser::ExtractBetween(const QString& text, const QString& start, const QString& end)
{
    qsizetype from = 0;
    if (!start.isEmpty()) {
        const qsizetype at = text.indexOf(start);
        if (at < 0)
            return QString();
        from = at + start.size();
    }
    const QString rest = text.mid(from);
    if (end.isEmpty())
        return rest;
    const qsizetype to = rest.indexOf(end);
    return to < 0 ? QString() : rest.left(to);
}

void TCDDBReplyParser::SplitWords(const QString& line, QStringList& list)
{
    list = line.split(u' ');
}

void TCDDBReplyParser::TakeMatch(const QString& matchLine)
{
    Category = ExtractBetween(matchLine, QString(), QStringLiteral(" "));
    const QString afterCategory = ExtractBetween(matchLine, Category + u' ', QString());
    DiscId = ExtractBetween(afterCategory, QString(), QStringLiteral(" "));
    const QString afterId = ExtractBetween(afterCategory, DiscId + u' ', QString());
    Artist = ExtractBetween(afterId, QString(), QStringLiteral(" /"));
    Title = ExtractBetween(afterId, QStringLiteral("/ "), QString()).trimmed();
}

TCDDBStep TCDDBReplyParser::Take(const QString& received)
{
    QString line = received;
    while (line.endsWith(u'\r') || line.endsWith(u'\n'))
        line.chop(1);
    const QString code = line.left(3);
    auto finish = [](int result) { return TCDDBStep{cddbFinish, result}; };
    switch (CDDBState) {
    case 1:
        // 200: the server allows writes too, 201: reading only; either way it serves queries.
        if (code == QLatin1String("200") || code == QLatin1String("201")) {
            CDDBState = 2;
            m_protoAsked = false;
            Utf8 = false;
            return {cddbSendHello};
        }
        return finish(CDDBProtocolError);
    case 2:
        if (!m_protoAsked) {
            if (code != QLatin1String("200"))
                return finish(CDDBProtocolError);
            m_protoAsked = true;
            return {cddbSendProto};
        }
        // 201: now at level 6; 502: already there. Any refusal keeps the level the server
        // speaks, and the round goes on in ISO 8859-1.
        m_protoAsked = false;
        Utf8 = code == QLatin1String("201") || code == QLatin1String("502");
        if (Mode == 1) {
            CDDBState = 3;
            return {cddbSendSites};
        }
        CDDBState = 5;
        return {cddbSendDiscId};
    case 3:
        if (code != QLatin1String("210"))
            return finish(CDDBProtocolError);
        ServerList.clear();
        CDDBState = 4;
        return {};
    case 4:
        if (line == QLatin1String("."))
            return finish(ServerList.isEmpty() ? CDDBNotFound : CDDBSuccess);
        {
            // A site line starts with the host name.
            const QString host = line.section(u' ', 0, 0).trimmed();
            if (!host.isEmpty() && ServerList.size() < MaxListEntries)
                ServerList << host.left(MaxEntryLength);
        }
        return {};
    case 5:
        if (code != QLatin1String("200"))
            return finish(CDDBProtocolError);
        ReplyDiscId = ExtractBetween(line, QStringLiteral("Disc ID is "), QString()).trimmed();
        if (ReplyDiscId.isEmpty())
            ReplyDiscId = line.section(u' ', -1).trimmed();
        CDDBState = 6;
        return {cddbSendQuery};
    case 6:
        if (code == QLatin1String("211") || code == QLatin1String("210")) {
            Matches.clear();
            CDDBState = 7;
            return {};
        }
        if (code == QLatin1String("200") && line.size() > 4) {
            // One exact match, on the status line itself.
            Matches = QStringList{line.mid(4).left(MaxEntryLength)};
            CDDBState = 7;
            return {cddbChooseMatch};
        }
        return finish(CDDBNotFound);
    case 7:
        if (line == QLatin1String("."))
            return Matches.isEmpty() ? finish(CDDBNotFound) : TCDDBStep{cddbChooseMatch};
        if (Matches.size() < MaxListEntries)
            Matches << line.left(MaxEntryLength);
        return {};
    case 8:
        if (code != QLatin1String("210"))
            return finish(CDDBNotFound);
        TrackNames.clear();
        m_dtitle.clear();
        CDDBState = 9;
        return {};
    case 9:
        if (line == QLatin1String("."))
            return finish(CDDBSuccess);
        TakeRecordLine(line);
        return {};
    default: return {};
    }
}

QString TCDDBReplyParser::Decode(const QByteArray& bytes) const
{
    if (Utf8) {
        QStringDecoder utf8(QStringDecoder::Utf8);
        const QString text = utf8(bytes);
        // A record stored in another encoding still reads rather than turning into marks.
        if (!utf8.hasError())
            return text;
    }
    return QString::fromLatin1(bytes);
}

void TCDDBReplyParser::TakeRecordLine(const QString& line)
{
    if (line.startsWith(u'#'))
        return;
    const QString key = line.left(6);
    const QString value = ExtractBetween(line, QStringLiteral("="), QString());
    if (key == QLatin1String("DISCID")) {
        DiscId = value.left(MaxEntryLength);
    } else if (key == QLatin1String("DTITLE")) {
        // A long title goes on over several DTITLE lines.
        if (m_dtitle.size() < MaxEntryLength)
            m_dtitle = (m_dtitle + value).left(MaxEntryLength);
        const qsizetype slash = m_dtitle.indexOf(u'/');
        if (slash < 0) {
            Artist = Title = m_dtitle.trimmed();
        } else {
            Artist = m_dtitle.left(slash).trimmed();
            Title = m_dtitle.mid(slash + 1).trimmed();
        }
    } else if (key == QLatin1String("TTITLE")) {
        // TTITLEn: track n, counted from 0; a long name goes on over several lines.
        bool ok = false;
        const int n = ExtractBetween(line, QStringLiteral("TTITLE"), QStringLiteral("=")).toInt(&ok);
        if (!ok || n < 0 || n >= MaxTracks)
            return;
        while (TrackNames.size() <= n)
            TrackNames << QString();
        if (TrackNames[n].size() < MaxEntryLength)
            TrackNames[n] = (TrackNames[n] + value).left(MaxEntryLength);
    }
}

// ---- the client ----

TCDDBSocket::TCDDBSocket(QObject* owner) : TUASocket(owner)
{
    OnUserDataAvailable = [this](TCustomASocket*, int) { CDDBReceive(); };
    OnSessionClosed = [this](TCustomASocket*, int error) { SessionClosed(error); };
    // A connection that could not be made is a network error like any other.
    OnSessionConnected = [this](TCustomASocket*, int error) {
        if (error) {
            SetLastError(error);
            TriggerError();
        }
    };
    // A server gone silent is reported as a timed-out connection; the watchdog then ends it.
    OnWaitTimeout = [this](QObject*) {
        SetLastError(WSAETIMEDOUT);
        TriggerError();
    };
    SetState(0);
}

void TCDDBSocket::SetState(uint8_t state)
{
    CDDBState = state;
    if (OnStateChange)
        OnStateChange(this, state);
}

void TCDDBSocket::ConnectServer()
{
    SetProto(QStringLiteral("tcp"));
    SetPort(QStringLiteral("8880"));
    // Every close leaves the address unassigned; the host is given again.
    const QString host = Addr();
    SetAddr(host.isEmpty() ? DefaultServer() : host);
    SetLineMode(true);
    LineEnd = QByteArray("\r\n");
    Result = CDDBNoResult;
    SetState(1);
    Connect();
}

void TCDDBSocket::Finish(uint8_t result)
{
    Result = result;
    // The server is told the session ends rather than finding its peer gone.
    if (State() == wsConnected)
        SendLine(QStringLiteral("quit"));
    CloseDelayed();
}

void TCDDBSocket::SessionClosed(int)
{
    if (OnResult)
        OnResult(this, Result);
    Offsets.clear();
}

void TCDDBSocket::SendLine(const QString& text)
{
    SendStr(text.toLatin1() + QByteArray("\r\n"));
}

void TCDDBSocket::SendHello()
{
    SendLine(QStringLiteral("CDDB HELLO %1 %2 %3 %4").arg(User, Host, ClientName, Version));
}

void TCDDBSocket::SendProto()
{
    SendLine(QStringLiteral("proto 6"));
}

void TCDDBSocket::SendSites()
{
    SendLine(QStringLiteral("SITES"));
}

void TCDDBSocket::SendDiscId()
{
    QString line = QStringLiteral("discid ") + QString::number(TrackCount);
    for (const QString& o : Offsets)
        line += u' ' + o;
    SendLine(line + u' ' + QString::number(DiscLength));
}

void TCDDBSocket::SendQuery()
{
    QString line = QStringLiteral("cddb query ") + ReplyDiscId + u' ' + QString::number(TrackCount);
    for (const QString& o : Offsets)
        line += u' ' + o;
    SendLine(line + u' ' + QString::number(DiscLength));
}

void TCDDBSocket::SendRead(const QString& matchLine)
{
    QStringList words;
    SplitWords(matchLine, words);
    SendLine(QStringLiteral("cddb read ") + words.value(0) + u' ' + words.value(1));
}

void TCDDBSocket::CDDBReceive()
{
    const QByteArray bytes = ReceiveStr();
    // What is left when the connection has gone is a line cut short, and what follows the end
    // of a round (the answer to quit) belongs to no round: nothing to take or answer.
    if (State() != wsConnected || Result != CDDBNoResult)
        return;
    const uint8_t before = CDDBState;
    const TCDDBStep step = Take(Decode(bytes));
    if (CDDBState != before)
        SetState(CDDBState);
    switch (step.Action) {
    case cddbSendHello: SendHello(); break;
    case cddbSendProto: SendProto(); break;
    case cddbSendSites: SendSites(); break;
    case cddbSendDiscId: SendDiscId(); break;
    case cddbSendQuery: SendQuery(); break;
    case cddbChooseMatch: ChooseMatch(); break;
    case cddbFinish: Finish(uint8_t(step.Result)); break;
    case cddbNone: break;
    }
}

void TCDDBSocket::ChooseMatch()
{
    StopWait();
    // The choice may show a window: it runs from the event loop, never inside the socket's
    // notification, so the line being handled is done with before anything else can happen.
    const quint64 session = Session();
    QTimer::singleShot(0, this, [this, session] {
        if (session != Session() || State() != wsConnected)
            return;
        int index = 0;
        QPointer<TCDDBSocket> guard(this);
        if (OnSelectMatch)
            OnSelectMatch(this, index);
        // The owner may have gone with its client while the user chose, or the server.
        if (!guard || session != Session() || State() != wsConnected)
            return;
        if (index < 0 || index >= Matches.size())
            index = 0;
        const QString line = Matches.value(index);
        TakeMatch(line);
        if (OnMatchTaken)
            OnMatchTaken(this);
        StartWait();
        SetState(8);
        SendRead(line);
    });
}
