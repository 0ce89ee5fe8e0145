#pragma once
// What the poll engine tells, as facts: the walk's status, the port's problems and the end of an
// archive download. The window puts them into words (and the collector into its log); the engine
// builds no sentence of its own.

#include <QString>
#include <QStringList>
#include <QtGlobal>

#include <variant>

namespace qm {

// What a request slot sends.
enum class RequestKind : quint8 {
    ReadMeasurement,  // the measurement of the instrument at PollAddress
    ReadArchive,      // the next block of the archive of the instrument in "NUM"
    SetPeriod,        // the archive period, once
    SetClock,         // the computer's clock into the instrument's, once
    EraseArchive,     // the instrument's archive erased, once
};

// The walk's status: what happened last on the line, for the status line.
namespace walk {
struct PortOpening { int portIndex = 0; };                  // the port is being opened
struct Requested { int address = 0; };                     // a measurement was asked for
struct Answered { int address = 0; };                      // a valid answer came in
struct NoAnswer { int address = 0; int bytesHeld = 0; };   // the slot's check found no answer
struct IdentificationFailed { int address = 0; };          // the answer named no QM4700
struct ArchiveRequested { int address = 0; };              // a block of the archive was asked for
struct ArchiveProgress { int address = 0; int percent = 0; };
struct ArchiveNotRead { int address = 0; };                // a download ended without a listing
struct CommandSent { int address = 0; RequestKind command = RequestKind::SetPeriod; };
struct CommandConfirmed { int address = 0; RequestKind command = RequestKind::SetPeriod; };
}  // namespace walk
using WalkStatus = std::variant<walk::PortOpening, walk::Requested, walk::Answered, walk::NoAnswer,
                                walk::IdentificationFailed, walk::ArchiveRequested, walk::ArchiveProgress,
                                walk::ArchiveNotRead, walk::CommandSent, walk::CommandConfirmed>;

// A problem with the port, told once when it happens.
struct PortProblem {
    enum class Kind : quint8 {
        NotInList,       // the index names no port of the list (a hand-edited it.cfg)
        OpenRefused,     // missing, busy or not allowed
        GetStateFailed,  // the line settings could not be read
        SetStateFailed,  // the line settings could not be written
        NothingAnswers,  // a built-in port or a network line on which no instrument answered a whole round of give-ups
        PortsCfgUnread,  // ports.cfg has lines that could not be read (told once per connect)
        // A network line (device is its URL) has no connection: told once for an outage. The
        // port connects again on its own, "Соединение" stays ticked, the instruments are silent.
        GatewayRefused,      // nothing accepts connections at the gateway's address and port
        GatewayUnreachable,  // no way to the gateway through the network
        GatewayUnknown,      // the gateway's name was not found
        GatewayTimedOut,     // the gateway did not take the connection in time
        GatewayDropped,      // the gateway closed or reset the connection
    };
    Kind kind = Kind::OpenRefused;
    int portIndex = 0;
    QString device;          // the device or network line the port's name maps to (may be empty)
    QString reason;          // the system's reason, in the operator's words; may be empty
    quint32 code = 0;        // the system's error code of a failed line setting
    bool denied = false;     // refused for lack of rights
    // What ports.cfg could not be read is told with this problem (once per connect).
    bool withPortsCfgReport = false;
};

// How an archive download ended.
struct ArchiveOutcome {
    enum class Kind : quint8 {
        Listed,   // every record came in: lines, oldest first
        Empty,    // the instrument's archive holds no record
        NotRead,  // a block the listing needs never came in
        // Cut short before it could end: a command sent in its place, "Соединение" unticked (the
        // operator, or a port that could not be opened again), or a new connect.
        Abandoned,
    };
    Kind kind = Kind::NotRead;
    int address = 0;
    QStringList lines;  // the archive text lines of a listing
};

// How far a running download has come: told when it starts, and whenever a block it reads is
// taken (stored, or refused where the listing does not need it). Its end is archiveDownloadEnded.
struct ArchiveDownloadProgress {
    int address = 0;
    int percent = 0;       // of the area's blocks, as the status line shows it
    int recordsRead = 0;   // records whose slots came in whole in this download
    int recordCount = -1;  // records the listing will hold (at most 200); -1 until the first block
};

// How a measurement slot went for the instrument asked, judged where the poll engine accepts or
// rejects its answers: told once per slot, when it is answered or when its last check finds it
// unanswered. Only an answer of the instrument asked that identifies it is accepted; every other
// kind leaves the slot unanswered, and three such slots in a row give the instrument up.
struct ExchangeOutcome {
    enum class Kind : quint8 {
        Answered,            // its measurement came in and identified it
        NoAnswer,            // no frame came in for this request through the slot
        BadCrc,              // a frame came in whose CRC failed
        Exception,           // it answered with an exception: function, code
        OtherAddress,        // a valid frame came from another address: from
        Unidentified,        // its answer named no QM4700
        NamedOther,          // its answer identified a QM4700 at another address (from) or outside the range
        Short,               // its answer was too short to carry the measurement
        UnexpectedFunction,  // a valid frame with another function code: function
    };
    Kind kind = Kind::NoAnswer;
    int address = 0;       // the instrument asked
    int from = 0;          // OtherAddress: the address that answered; NamedOther: the address it named
    quint8 function = 0;   // Exception (without the exception bit), UnexpectedFunction
    quint8 code = 0;       // Exception: the exception code

    friend bool operator==(const ExchangeOutcome&, const ExchangeOutcome&) = default;
};

}  // namespace qm
