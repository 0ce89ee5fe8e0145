#pragma once
// The topics and payloads the program publishes, as pure functions.
//
//   PREFIX/LINE/status            "online"; "offline" as the last will and at a clean end (retained)
//   PREFIX/LINE/ADDRESS/state     the instrument's latest reading as JSON (retained, QoS 1)
//   PREFIX/LINE/ADDRESS/history   readings taken while the broker was unreachable, oldest first,
//                                 each with its own time (not retained, QoS 1)
//   PREFIX/LINE/ADDRESS/alarm/CONDITION   the state of one alarm as it last changed (retained,
//                                 QoS 1); CONDITION is ph_high, ph_low, t_high, t_low, no_answer,
//                                 relay1 or relay2
//   DISCOVERY/sensor/NODE/OBJECT/config   Home Assistant discovery, when switched on (retained)
//
// A reading's JSON: {"time":"2026-12-07T14:05:03+03:00","ph":7.01,"e_mv":-123.4,"t_c":25.5,
// "status":17,"id":4353,"online":true}; numbers as the instrument gave them (pH from hundredths,
// E and T from tenths); a silent instrument has "online":false and null values.
// An alarm's JSON: {"time":"2026-12-07T14:05:03+03:00","condition":"ph_high","limit":8.5,
// "value":8.9,"state":"active","previous":"normal","active":true,"acknowledged":false}; state is
// normal, active, acknowledged or returned; limit and value are null for the conditions without.

#include "Alarm.h"
#include "Reading.h"

#include <QByteArray>
#include <QList>
#include <QString>

namespace qm {

struct PublishTopics {
    QString prefix;  // one or more topic levels
    QString line;    // one topic level

    QByteArray status() const;
    QByteArray state(int address) const;
    QByteArray history(int address) const;
    QByteArray alarm(int address, AlarmCondition condition) const;
};

QByteArray OnlinePayload();
QByteArray OfflinePayload();
QByteArray ReadingPayload(const Reading& reading);
QByteArray AlarmPayload(const AlarmChange& change);
// The condition as its topic level names it: "ph_high", "no_answer", ...
QByteArray AlarmConditionKey(AlarmCondition condition);

struct RetainedMessage {
    QByteArray topic;
    QByteArray payload;
};

// The three sensors of the instrument at address (pH, E in mV, T in °C) as Home Assistant
// discovery configs under discoveryPrefix: each with a unique_id, the instrument as a device,
// the line's availability topic and the instrument's own "online" flag.
QList<RetainedMessage> DiscoveryConfigs(const PublishTopics& topics, const QString& discoveryPrefix, int address);

}  // namespace qm
