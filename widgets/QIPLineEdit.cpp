#include "widgets/QIPLineEdit.h"

#include "widgets/MessageBox.h"

#include <QCoreApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QPainter>
#include <QRegularExpression>
#include <QRegularExpressionValidator>

#include <algorithm>

namespace {
const QRegularExpression& octetPattern()
{
    static const QRegularExpression pattern(QStringLiteral("(2[0-5]{2}|2[0-4][0-9]|1?[0-9]{1,2})"));
    return pattern;
}

const QRegularExpression& addressPattern()
{
    static const QRegularExpression pattern(
        QRegularExpression::anchoredPattern(QStringLiteral("\\b(?:(?:25[0-5]|2[0-4][0-9]|[01]?[0-9][0-9]?)\\.){3}"
                                                           "(?:25[0-5]|2[0-4][0-9]|[01]?[0-9][0-9]?)\\b")));
    return pattern;
}

constexpr int OctetCount = 4;
constexpr int OctetLength = 3;
constexpr int MaxOctet = 255;
} // namespace

QIPLineEdit::QIPLineEdit(QWidget* parent) : QLineEdit(parent)
{
    setReadOnly(true);
    auto* layout = new QHBoxLayout(this);
    layout->setSpacing(10);
    layout->setContentsMargins(0, 0, 0, 0);
    for (QLineEdit*& octet : m_octets) {
        octet = new QLineEdit(this);
        octet->setFrame(false);
        // The editor's own frame and background show through, so the four read as one field.
        octet->setStyleSheet(QStringLiteral("background: transparent;"));
        octet->setMaxLength(OctetLength);
        octet->setAlignment(Qt::AlignCenter);
        octet->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Preferred);
        octet->setValidator(new QRegularExpressionValidator(octetPattern(), octet));
        octet->installEventFilter(this);
        layout->addWidget(octet);
    }
}

bool QIPLineEdit::isValidAddress(const QString& text)
{
    return addressPattern().match(text).hasMatch();
}

void QIPLineEdit::setAddress(const QString& text)
{
    if (!isValidAddress(text)) {
        MessageBox::show(m_attentionTitle, m_invalidText);
        return;
    }
    const QStringList parts = text.split(QLatin1Char('.'), Qt::SkipEmptyParts);
    for (int i = 0; i < OctetCount; ++i) {
        m_octets[i]->setMaxLength(OctetLength);
        m_octets[i]->setText(parts.value(i));
    }
}

void QIPLineEdit::showUnchecked(const QString& text)
{
    QStringList parts = text.split(QLatin1Char('.'));
    while (parts.size() > OctetCount)
        parts[OctetCount - 1] += QLatin1Char('.') + parts.takeAt(OctetCount);
    for (int i = 0; i < OctetCount; ++i) {
        const QString part = parts.value(i);
        // Shown whole; the validator keeps what the operator types to octets.
        m_octets[i]->setMaxLength(std::max(OctetLength, int(part.size())));
        m_octets[i]->setText(part);
    }
}

void QIPLineEdit::setLanguage(bool isEnglish)
{
    m_attentionTitle = isEnglish ? QStringLiteral("Attention") : QStringLiteral("注意");
    m_invalidText = isEnglish ? QStringLiteral("Your IP Address is Invalid!") : QStringLiteral("IP地址无效！");
}

QString QIPLineEdit::address() const
{
    QStringList parts;
    for (const QLineEdit* octet : m_octets) {
        // Elsewhere "010" may be read as octal 8.
        const QString text = octet->text();
        parts << (text.isEmpty() ? text : QString::number(text.toInt()));
    }
    return parts.join(QLatin1Char('.'));
}

void QIPLineEdit::focusOctet(int index, bool selectAll)
{
    QLineEdit* octet = m_octets[index];
    octet->setFocus(Qt::OtherFocusReason);
    if (selectAll)
        octet->selectAll();
    else
        octet->setCursorPosition(octet->text().size());
}

bool QIPLineEdit::eventFilter(QObject* watched, QEvent* event)
{
    const auto found = std::find(m_octets.begin(), m_octets.end(), watched);
    if (found == m_octets.end())
        return QLineEdit::eventFilter(watched, event);
    bool consumed = false;
    if (event->type() == QEvent::KeyPress)
        consumed = handleKey(int(found - m_octets.begin()), static_cast<QKeyEvent*>(event));
    emit charge();
    return consumed;
}

// True when the key went to another octet instead of the one it was typed in.
bool QIPLineEdit::handleKey(int index, const QKeyEvent* key)
{
    QLineEdit* octet = m_octets[index];
    const QString text = octet->text();
    const int cursor = octet->cursorPosition();
    const bool hasNext = index < OctetCount - 1;
    const bool hasPrevious = index > 0;

    switch (key->key()) {
    case Qt::Key_Right:
        if (cursor == text.size() && hasNext) {
            m_octets[index + 1]->setFocus(Qt::OtherFocusReason);
            m_octets[index + 1]->setCursorPosition(0);
        }
        return false;
    case Qt::Key_Left:
        if (cursor == 0 && hasPrevious)
            focusOctet(index - 1, false);
        return false;
    case Qt::Key_Backspace:
        if ((text.isEmpty() || cursor == 0) && hasPrevious)
            focusOctet(index - 1, false);
        return false;
    default:
        break;
    }

    if (key->text().size() != 1 || !key->text().at(0).isDigit() || octet->hasSelectedText())
        return false;
    if (text.size() == OctetLength || (!text.isEmpty() && text.toInt() * 10 > MaxOctet)) {
        if (!hasNext)
            return false;
        // The digit that cannot fit here starts the next octet, so an address types as one run of digits.
        focusOctet(index + 1, true);
        QKeyEvent forwarded(QEvent::KeyPress, key->key(), key->modifiers(), key->text());
        QCoreApplication::sendEvent(m_octets[index + 1], &forwarded);
        return true;
    }
    if (key->text() == QLatin1String("0") && text.size() == 2 && text.toInt() >= 1 && text.toInt() <= 25)
        octet->setText(QString(text).insert(cursor, QLatin1Char('0')));
    return false;
}

void QIPLineEdit::paintEvent(QPaintEvent* event)
{
    QLineEdit::paintEvent(event);
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::black);
    int x = 0;
    for (int i = 0; i < OctetCount - 1; ++i) {
        x += m_octets[i]->width() + (i == 0 ? 3 : 10);
        painter.drawEllipse(x, height() / 2 - 2, 4, 4);
    }
}
