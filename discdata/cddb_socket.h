#pragma once
// The CDDB protocol client: in one connection it either fetches the server's list of sites or
// has the server identify the disc from its track offsets and reads the disc's record, then
// closes and reports one result. The replies are taken apart by TCDDBReplyParser, which does
// no input or output of its own.
#include "discdata/uasocket.h"

#include <QString>
#include <QStringList>
#include <functional>

// Results of a round.
enum TCDDBResult : uint8_t {
    CDDBNotFound = 0,
    CDDBSuccess = 1,
    CDDBProtocolError = 2,
    CDDBNoResult = 3,
};

// What a reply line asks the client to do next.
enum TCDDBAction {
    cddbNone,
    cddbSendHello,
    cddbSendProto,
    cddbSendSites,
    cddbSendDiscId,
    cddbSendQuery,
    cddbChooseMatch,
    cddbFinish
};

struct TCDDBStep {
    TCDDBAction Action = cddbNone;
    int Result = 0; // cddbFinish
};

class TCDDBReplyParser {
public:
    // Limits against a server that never stops talking.
    static constexpr int MaxListEntries = 200;
    static constexpr int MaxEntryLength = 4096;
    static constexpr int MaxTracks = 99;

    uint8_t Mode = 0;      // 0 query, 1 server list
    uint8_t CDDBState = 0; // 0 idle, 1 to 9 as the round goes
    QStringList Matches;
    QStringList ServerList;
    QString Artist, Title;
    QStringList TrackNames;
    QString DiscId;
    QString Category;
    QString ReplyDiscId;
    // The server took protocol level 6: its replies are UTF-8 (below that, ISO 8859-1).
    bool Utf8 = false;

    // Decodes one reply line as the protocol level in use says.
    QString Decode(const QByteArray& bytes) const;
    // Takes one reply line (its line end may still be on it).
    TCDDBStep Take(const QString& line);
    // Category, disc id, artist and title from the match line chosen.
    void TakeMatch(const QString& matchLine);

    // The text after the first start (empty start: from the beginning) up to the first end in
    // what follows (empty end: to the end); empty when either is missing.
    static QString ExtractBetween(const QString& text, const QString& start, const QString& end);
    // The pieces of line between single blanks.
    static void SplitWords(const QString& line, QStringList& list);

private:
    void TakeRecordLine(const QString& line);
    QString m_dtitle;          // DTITLE lines so far, joined
    bool m_protoAsked = false; // the HELLO is answered; the level's reply is awaited
};

class TCDDBSocket : public TUASocket, public TCDDBReplyParser {
    Q_OBJECT
public:
    // Used when no remote host is set.
    static QString DefaultServer() { return QStringLiteral("gnudb.gnudb.org"); }

    explicit TCDDBSocket(QObject* owner = nullptr);

    QString User, Host, ClientName, Version;
    int TrackCount = 0;
    QStringList Offsets;
    int DiscLength = 0;
    uint8_t Result = CDDBNoResult;

    void ConnectServer();
    void SetState(uint8_t state);
    void Finish(uint8_t result);

    std::function<void(QObject*)> OnMatchTaken;
    std::function<void(QObject*, int state)> OnStateChange;
    std::function<void(QObject*, int result)> OnResult;
    std::function<void(QObject*, int& index)> OnSelectMatch;

    void SendHello();
    void SendProto();
    void SendSites();
    void SendDiscId();
    void SendQuery();
    void SendRead(const QString& matchLine);

private:
    void CDDBReceive();
    void SessionClosed(int error);
    // Asks for the match from the event loop, outside the socket's own notification.
    void ChooseMatch();
    void SendLine(const QString& text);
};
