#pragma once
// The program's message boxes, built in one place so that they all read alike: the buttons in
// Russian whether or not Qt's translation is installed, and the texts wrapped at spaces but
// never inside a file or device path ("/dev/pts/10", "/home/…/ports.cfg" stay on one line).

#include <QMessageBox>
#include <QString>

class QWidget;

namespace qm {

// A new box over parent (which owns it), not yet shown: icon, title, text, and detail as the
// informative text below it (none when empty), with the given standard buttons. The caller
// shows it: exec() on a box it deletes itself, or open()/show() on one with
// Qt::WA_DeleteOnClose; it may also set the default and the escape button. A later change of
// the detail goes through setDetail, of the text through KeepPathsWhole.
QMessageBox* NewMessageBox(QWidget* parent, QMessageBox::Icon icon, const QString& title, const QString& text,
                           const QString& detail, QMessageBox::StandardButtons buttons);

// Replaces the box's detail (its informative text), treated as NewMessageBox treats it.
void setDetail(QMessageBox* box, const QString& detail);

// text with every path in it made unbreakable: a word (a run without spaces) that holds a '/'
// or a '\' gets a word joiner (U+2060) at each place inside it where a line could break, so a
// wrapping label breaks such a word only at the spaces around it.
QString KeepPathsWhole(const QString& text);

// The text as the operator would copy it: without the word joiners.
QString WithoutJoiners(const QString& text);

}  // namespace qm
