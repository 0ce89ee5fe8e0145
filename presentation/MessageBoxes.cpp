#include "MessageBoxes.h"

#include <QAbstractButton>
#include <QClipboard>
#include <QEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>

namespace qm {

namespace {

constexpr QChar WordJoiner(0x2060);

// Inside a word, lines may break only next to punctuation and symbols ("/", "-", "."); between
// letters, digits and their marks they never do.
bool Joined(QChar c) { return c.isLetterOrNumber() || c.isMark(); }

// Ctrl+C copies the box's text and detail, as Qt's boxes do on Windows only, and without the
// joiners, so that a copied path works in a terminal or a file manager.
class CopyWithoutJoiners : public QObject {
public:
    explicit CopyWithoutJoiners(QMessageBox* box) : QObject(box), m_box(box) { box->installEventFilter(this); }

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() != QEvent::KeyPress || !static_cast<QKeyEvent*>(event)->matches(QKeySequence::Copy))
            return false;
        QString text = m_box->text();
        if (!m_box->informativeText().isEmpty()) text += QLatin1Char('\n') + m_box->informativeText();
        if (QClipboard* clipboard = QGuiApplication::clipboard()) clipboard->setText(WithoutJoiners(text));
        return true;
    }

private:
    QMessageBox* m_box;
};

struct ButtonText {
    QMessageBox::StandardButton button;
    const char* text;
};

// With a mnemonic where the box lets the letter alone answer it, as in Qt's own translation.
const ButtonText ButtonTexts[] = {
    {QMessageBox::Ok, "ОК"},
    {QMessageBox::Yes, "&Да"},
    {QMessageBox::No, "&Нет"},
    {QMessageBox::Cancel, "Отмена"},
    {QMessageBox::Close, "Закрыть"},
    {QMessageBox::Save, "Сохранить"},
    {QMessageBox::Discard, "Не сохранять"},
    {QMessageBox::Retry, "Повторить"},
    {QMessageBox::Ignore, "Пропустить"},
    {QMessageBox::Abort, "Прервать"},
};

}  // namespace

QString KeepPathsWhole(const QString& text)
{
    QString out;
    out.reserve(text.size() + text.size() / 4);
    qsizetype start = 0;
    while (start < text.size()) {
        // Spaces and line ends as they are.
        qsizetype end = start;
        while (end < text.size() && text.at(end).isSpace()) ++end;
        out += QStringView(text).sliced(start, end - start);
        start = end;
        while (end < text.size() && !text.at(end).isSpace()) ++end;
        const QStringView word = QStringView(text).sliced(start, end - start);
        if (!word.contains(QLatin1Char('/')) && !word.contains(QLatin1Char('\\'))) {
            out += word;
        } else {
            for (qsizetype i = 0; i < word.size(); ++i) {
                if (i > 0 && (!Joined(word.at(i - 1)) || !Joined(word.at(i))) && word.at(i - 1) != WordJoiner
                    && word.at(i) != WordJoiner)
                    out += WordJoiner;
                out += word.at(i);
            }
        }
        start = end;
    }
    return out;
}

QString WithoutJoiners(const QString& text) { return QString(text).remove(WordJoiner); }

void setDetail(QMessageBox* box, const QString& detail)
{
    box->setInformativeText(KeepPathsWhole(detail));
    if (auto* label = box->findChild<QLabel*>(QStringLiteral("qt_msgbox_informativelabel")))
        label->setTextFormat(Qt::PlainText);
}

QMessageBox* NewMessageBox(QWidget* parent, QMessageBox::Icon icon, const QString& title, const QString& text,
                           const QString& detail, QMessageBox::StandardButtons buttons)
{
    auto* box = new QMessageBox(icon, title, KeepPathsWhole(text), buttons, parent);
    // Plain text always: a path or a system's message with "<" must not be read as markup.
    box->setTextFormat(Qt::PlainText);
    if (!detail.isEmpty()) setDetail(box, detail);
    for (const ButtonText& b : ButtonTexts)
        if (QAbstractButton* button = box->button(b.button)) button->setText(QString::fromUtf8(b.text));
    new CopyWithoutJoiners(box);
    return box;
}

}  // namespace qm
