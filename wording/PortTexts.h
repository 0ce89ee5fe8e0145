#pragma once
// The port's words: its problems as the operator reads them, what ports.cfg could not be read,
// the serial devices present, and the port list's tooltip.

#include "EngineEvents.h"
#include "Notice.h"
#include "SerialDevices.h"

#include <QList>
#include <QString>

namespace qm {

// What the operator reads about a problem of the port. ports.cfg and the serial devices present
// are looked at now, in workDir.
Notice PortProblemNotice(const PortProblem& problem, const QString& workDir);

// What the operator is told about a ports.cfg that could not be read whole; empty when every
// line was understood (or there is no file).
QString PortsConfigReport(const QString& workDir);

// Lines for a message or the port list's tooltip: the devices present and how to give one of
// them the COM name comName in the ports.cfg at portsCfgPath.
QString SerialDevicesHint(const QList<SerialDevice>& devices, const QString& comName, const QString& portsCfgPath);

// How ports.cfg names a line behind a network gateway: example lines for both kinds of gateway.
QString NetworkLinesHint();

// Tooltip of the port list: one line per COM name with the device or network line it opens, then
// the serial devices present and how to map one in ports.cfg, how to name a network line, and
// what ports.cfg could not be read.
QString PortListToolTip(const QString& workDir);

}  // namespace qm
