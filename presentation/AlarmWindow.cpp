#include "AlarmWindow.h"

#include "AlarmText.h"

#include <QAbstractTableModel>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QShortcut>
#include <QTableView>
#include <QVBoxLayout>

namespace qm {

class AlarmListModel : public QAbstractTableModel {
public:
    using QAbstractTableModel::QAbstractTableModel;

    QList<Alarm> alarms;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override { return parent.isValid() ? 0 : int(alarms.size()); }
    int columnCount(const QModelIndex& parent = QModelIndex()) const override { return parent.isValid() ? 0 : 5; }
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override
    {
        static const char* titles[] = {"Время", "Прибор", "Условие", "Значение", "Состояние"};
        if (orientation == Qt::Horizontal && (role == Qt::DisplayRole || role == Qt::AccessibleTextRole) && section >= 0
            && section < 5)
            return QString::fromUtf8(titles[section]);
        return QVariant();
    }
    QVariant data(const QModelIndex& index, int role) const override
    {
        if (!index.isValid() || index.row() >= alarms.size()) return QVariant();
        const Alarm& a = alarms[index.row()];
        if (role == Qt::DisplayRole || role == Qt::AccessibleTextRole) {
            switch (index.column()) {
            case 0: return a.raisedAt.toString(QStringLiteral("dd.MM.yy HH:mm:ss"));
            case 1: return QString::number(a.address);
            case 2: return AlarmConditionText(a.condition, a.limit);
            case 3: return AlarmValueText(a.condition, a.value);
            case 4: return AlarmStateText(a.state);
            }
        }
        if (role == Qt::BackgroundRole) {
            if (a.state == AlarmState::Active) return QColor(255, 200, 200);
            if (a.state == AlarmState::Acknowledged) return QColor(255, 232, 150);
        }
        if (role == Qt::ForegroundRole) return QColor(Qt::black);
        if (role == Qt::FontRole && IsUnacknowledged(a.state)) {
            QFont f;
            f.setBold(true);
            return f;
        }
        return QVariant();
    }
    Qt::ItemFlags flags(const QModelIndex& index) const override
    {
        return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::NoItemFlags;
    }
    void reset(const QList<Alarm>& next)
    {
        beginResetModel();
        alarms = next;
        endResetModel();
    }
};

AlarmWindow::AlarmWindow(QWidget* parent) : QWidget(parent, Qt::Window), m_model(new AlarmListModel(this))
{
    setObjectName(QStringLiteral("AlarmWindow"));
    setWindowTitle(QStringLiteral("Тревоги"));
    // Numbers with Latin digits and a point, as everywhere in the program.
    setLocale(QLocale::c());

    m_summary = new QLabel(this);
    m_summary->setObjectName(QStringLiteral("AlarmSummary"));
    m_soundLabel = new QLabel(this);
    m_soundLabel->setObjectName(QStringLiteral("AlarmSoundState"));

    m_list = new QTableView(this);
    m_list->setObjectName(QStringLiteral("AlarmList"));
    m_list->setModel(m_model);
    m_list->setAccessibleName(QStringLiteral("Список тревог"));
    m_list->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_list->setTabKeyNavigation(false);
    m_list->verticalHeader()->hide();
    m_list->horizontalHeader()->setStretchLastSection(true);
    m_list->setWordWrap(false);
    m_list->installEventFilter(this);
    QFont bold = m_list->font();
    bold.setBold(true);  // unacknowledged rows are bold
    const QFontMetrics fm(bold);
    const int widths[] = {fm.horizontalAdvance(QStringLiteral("00.00.00 00:00:00")), fm.horizontalAdvance(QStringLiteral("Прибор")),
                          fm.horizontalAdvance(QStringLiteral("pH > 14.00 ")), fm.horizontalAdvance(QStringLiteral("Значение"))};
    for (int c = 0; c < 4; ++c) m_list->setColumnWidth(c, widths[c] + 16);

    m_ackButton = new QPushButton(QStringLiteral("Квитировать (Пробел)"), this);
    m_ackAllButton = new QPushButton(QStringLiteral("Квитировать все (Ctrl+K)"), this);
    m_silenceButton = new QPushButton(QStringLiteral("Отключить звук (Ctrl+M)"), this);
    auto* close = new QPushButton(QStringLiteral("Закрыть (Esc)"), this);
    m_ackButton->setObjectName(QStringLiteral("AcknowledgeButton"));
    m_ackAllButton->setObjectName(QStringLiteral("AcknowledgeAllButton"));
    m_silenceButton->setObjectName(QStringLiteral("SilenceButton"));
    for (QPushButton* b : {m_ackButton, m_ackAllButton, m_silenceButton, close}) b->setAutoDefault(false);
    connect(m_ackButton, &QPushButton::clicked, this, &AlarmWindow::acknowledgeCurrent);
    connect(m_ackAllButton, &QPushButton::clicked, this, &AlarmWindow::acknowledgeAllRequested);
    connect(m_silenceButton, &QPushButton::clicked, this, &AlarmWindow::silenceRequested);
    connect(close, &QPushButton::clicked, this, &QWidget::hide);
    const auto shortcut = [this](const QKeySequence& keys, QPushButton* button) {
        connect(new QShortcut(keys, this), &QShortcut::activated, button, &QPushButton::click);
    };
    shortcut(QKeySequence(Qt::CTRL | Qt::Key_K), m_ackAllButton);
    shortcut(QKeySequence(Qt::CTRL | Qt::Key_M), m_silenceButton);
    shortcut(QKeySequence(Qt::Key_Escape), close);

    auto* top = new QHBoxLayout;
    top->addWidget(m_summary, 1);
    top->addWidget(m_soundLabel);
    auto* buttons = new QHBoxLayout;
    for (QPushButton* b : {m_ackButton, m_ackAllButton, m_silenceButton}) buttons->addWidget(b);
    buttons->addStretch(1);
    buttons->addWidget(close);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(m_list, 1);
    layout->addLayout(buttons);
    resize(720, 300);
    updateSummary();
    setSoundState(false, false);
}

void AlarmWindow::setAlarms(const QList<Alarm>& alarms)
{
    // The current row stays on its alarm; when that alarm has gone, on the row where it was.
    const int row = m_list->currentIndex().row();
    std::optional<std::pair<int, AlarmCondition>> current;
    if (row >= 0 && row < m_model->alarms.size()) current = {m_model->alarms[row].address, m_model->alarms[row].condition};
    m_model->reset(alarms);
    int next = -1;
    for (int i = 0; current && i < alarms.size(); ++i)
        if (alarms[i].address == current->first && alarms[i].condition == current->second) next = i;
    if (next < 0 && !alarms.isEmpty()) next = std::clamp(row, 0, int(alarms.size()) - 1);
    if (next >= 0) m_list->setCurrentIndex(m_model->index(next, 0));
    updateSummary();
}

void AlarmWindow::updateValues(const QList<Alarm>& alarms)
{
    QList<Alarm>& shown = m_model->alarms;
    bool same = shown.size() == alarms.size();
    for (int i = 0; same && i < alarms.size(); ++i)
        same = shown[i].address == alarms[i].address && shown[i].condition == alarms[i].condition && shown[i].state == alarms[i].state;
    if (!same) {
        setAlarms(alarms);
        return;
    }
    for (int i = 0; i < alarms.size(); ++i) {
        if (shown[i].value == alarms[i].value) continue;
        shown[i].value = alarms[i].value;
        const QModelIndex cell = m_model->index(i, 3);
        emit m_model->dataChanged(cell, cell, {Qt::DisplayRole, Qt::AccessibleTextRole});
    }
}

void AlarmWindow::setSoundState(bool repeating, bool silenced)
{
    m_soundLabel->setText(silenced ? QStringLiteral("Звук отключён до новой тревоги")
                                   : repeating ? QStringLiteral("Звучит сигнал") : QString());
    m_silenceButton->setEnabled(repeating);
}

QString AlarmWindow::summaryText() const { return m_summary->text(); }

void AlarmWindow::updateSummary()
{
    int unacknowledged = 0;
    for (const Alarm& a : m_model->alarms) unacknowledged += IsUnacknowledged(a.state) ? 1 : 0;
    m_summary->setText(m_model->alarms.isEmpty() ? QStringLiteral("Тревог нет")
                                                  : QStringLiteral("Тревог: %1, не квитировано: %2").arg(m_model->alarms.size()).arg(unacknowledged));
    m_ackButton->setEnabled(m_model->alarms.size() > 0);
    m_ackAllButton->setEnabled(unacknowledged > 0);
}

void AlarmWindow::acknowledgeCurrent()
{
    const int row = m_list->currentIndex().row();
    if (row < 0 || row >= m_model->alarms.size()) return;
    emit acknowledgeRequested(m_model->alarms[row].address, m_model->alarms[row].condition);
}

bool AlarmWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_list && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if ((key->key() == Qt::Key_Space || key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)
            && !(key->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) {
            acknowledgeCurrent();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void AlarmWindow::showQuietly()
{
    if (!isVisible()) {
        if (!m_placed && parentWidget()) {
            // First time: at the bottom right of the main window, over the chart's right end,
            // where it hides the least.
            const QRect frame = parentWidget()->frameGeometry();
            move(frame.right() - frameGeometry().width() - 8, frame.bottom() - frameGeometry().height() - 60);
            m_placed = true;
        }
        setAttribute(Qt::WA_ShowWithoutActivating, true);
        show();
        setAttribute(Qt::WA_ShowWithoutActivating, false);
    }
    raise();
}

void AlarmWindow::bringForward()
{
    showQuietly();
    activateWindow();
    m_list->setFocus(Qt::ShortcutFocusReason);
    // The newest alarm that waits for acknowledgement is where Space acts first.
    for (int row = 0; row < m_model->alarms.size(); ++row) {
        if (IsUnacknowledged(m_model->alarms[row].state)) {
            m_list->setCurrentIndex(m_model->index(row, 0));
            return;
        }
    }
    if (!m_list->currentIndex().isValid() && m_model->rowCount() > 0) m_list->setCurrentIndex(m_model->index(0, 0));
}

}  // namespace qm
