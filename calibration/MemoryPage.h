// The Memory page: the slot box gbMemory with the 15 slot radio buttons
// rbM1..rbM15 and their count labels (built in code), the memory text mMemory,
// and the Save/Print/Read buttons with the file-name label.
#pragma once

#include <QWidget>
#include <array>
#include <memory>

class QLabel;
class QRadioButton;

namespace Ui {
class MemoryPage;
}

class MemoryPage : public QWidget {
    Q_OBJECT

public:
    static constexpr int SlotCount = 15;

    explicit MemoryPage(QWidget* parent = nullptr);
    ~MemoryPage() override;

    // Creates the slot radio buttons and count labels inside gbMemory and
    // checks slot 1. Only the first call builds anything.
    void buildMemorySlots();
    // The checked slot, 1 to 15; 0 before the slots are built.
    int selectedSlot() const;
    // Text of slot s's count label; empty for a slot that does not exist.
    QString slotCount(int s) const;

    // Controls of slot s (1 to 15); null when it does not exist.
    QRadioButton* slotButton(int s) const;
    QLabel* slotCountLabel(int s) const;

private:
    struct MemorySlot {
        QRadioButton* button = nullptr;
        QLabel* count = nullptr;
    };

    std::unique_ptr<Ui::MemoryPage> m_ui;
    std::array<MemorySlot, SlotCount> m_slots{};
    bool m_slotsBuilt = false;
};
