#include "MemoryPage.h"

#include "ui_MemoryPage.h"

#include <QLabel>
#include <QRadioButton>
#include <QSignalBlocker>

MemoryPage::MemoryPage(QWidget* parent) : QWidget(parent), m_ui(std::make_unique<Ui::MemoryPage>())
{
    m_ui->setupUi(this);
}

MemoryPage::~MemoryPage() = default;

void MemoryPage::buildMemorySlots()
{
    if (m_slotsBuilt)
        return;
    m_slotsBuilt = true;

    for (int s = 1; s <= SlotCount; ++s) {
        MemorySlot& slot = m_slots[s - 1];

        slot.button = new QRadioButton(QString::number(s), m_ui->gbMemory);
        slot.button->setObjectName(QStringLiteral("rbM%1").arg(s));
        slot.button->setGeometry(36 * s - 20, 24, 30, 17);

        slot.count = new QLabel(QStringLiteral("1024"), m_ui->gbMemory);
        slot.count->setObjectName(QStringLiteral("lMemCount%1").arg(s));
        slot.count->setGeometry(36 * s - 16, 48, 48, 13);
        slot.count->setAlignment(Qt::AlignHCenter | Qt::AlignVCenter);

        // The group box may already be on screen when the slots are added.
        slot.button->show();
        slot.count->show();
    }

    // Selecting from code must not look like a user's click.
    const QSignalBlocker blocker(m_slots[0].button);
    m_slots[0].button->setChecked(true);
}

int MemoryPage::selectedSlot() const
{
    for (int s = 1; s <= SlotCount; ++s) {
        const QRadioButton* button = m_slots[s - 1].button;
        if (button && button->isChecked())
            return s;
    }
    return 0;
}

QString MemoryPage::slotCount(int s) const
{
    const QLabel* label = slotCountLabel(s);
    return label ? label->text() : QString();
}

QRadioButton* MemoryPage::slotButton(int s) const
{
    return s >= 1 && s <= SlotCount ? m_slots[s - 1].button : nullptr;
}

QLabel* MemoryPage::slotCountLabel(int s) const
{
    return s >= 1 && s <= SlotCount ? m_slots[s - 1].count : nullptr;
}
