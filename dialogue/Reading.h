#pragma once
// A reading: what one measurement answer of a QM4700 said, decoded once, or the fact that the
// instrument was found silent. The engine hands it by value to whoever shows, samples, records or
// publishes it; each of them turns it into its own form.

#include <QDateTime>
#include <QtGlobal>

#include <optional>

namespace qm {

struct Reading {
    quint8 address = 0;  // the instrument, by its address on the line
    // False: the instrument stopped answering (the walk gave up on it); nothing below is its.
    bool answered = false;
    QDateTime received;  // when the answer came in (or the instrument was given up on), local time

    // The registers as the instrument gave them.
    quint16 id = 0;         // type code (high byte), the instrument's own address (low byte)
    qint16 phRaw = 0;       // pH x 100
    qint16 eRaw = 0;        // E x 10, in mV
    qint16 tRaw = 0;        // T x 10, in °C
    quint16 status = 0;     // status bits
    quint16 clockYear = 0;  // century (high byte), year in the century (low byte)
    quint16 clockDate = 0;  // month (high byte), day (low byte)
    quint16 clockTime = 0;  // hour (high byte), minute (low byte)
    quint16 period = 0;     // archive period in minutes

    // The values, in one numeric type from the wire to every chart and file.
    double ph() const { return phRaw / 100.0; }
    double eMv() const { return eRaw / 10.0; }
    double tC() const { return tRaw / 10.0; }

    int typeCode() const { return id >> 8; }
    int idAddress() const { return id & 0xFF; }
    // The type codes of the QM4700 family; anything else failed identification.
    bool identified() const;
    // Type 16 keeps no clock.
    bool hasClock() const;

    // Status bits the live table shows.
    bool clockAlarm() const { return status & 0x0001; }     // "ЧВ"
    bool archiveAlarm() const { return status & 0x0002; }   // "АВ", shown before "ЧВ"
    bool relay1() const { return status & 0x0010; }         // "Р1"
    bool relay2() const { return status & 0x0020; }         // "Р2"

    // The instrument at address found silent at that time.
    static Reading silent(quint8 address, const QDateTime& at);
};

// Decodes a CRC-checked function-3 measurement answer of `length` bytes (CRC included) that came
// from `address`. An answer too short to carry the nine registers gives nothing.
std::optional<Reading> DecodeMeasurementAnswer(const quint8* frame, int length, quint8 address, const QDateTime& received);

}  // namespace qm
