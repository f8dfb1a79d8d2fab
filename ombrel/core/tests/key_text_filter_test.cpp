// The key filter of the address boxes on a real line edit in a shown dialog: typed text, editing keys, the
// dialog's own keys, and every road around the filter (paste keys, drops).
#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QDialog>
#include <QLineEdit>
#include <QMimeData>
#include <QSignalSpy>
#include <QTest>
#include <QVBoxLayout>
#include <functional>
#include <vector>

#include "ombrel/key_text_filter.h"
#include "ombrel/rirovuruz_globals.h"

namespace kez::ombrel {
namespace {

struct FilteredBox {
    QDialog dialog;
    QLineEdit* edit = new QLineEdit;
    QLineEdit* next = new QLineEdit;
    std::vector<std::int16_t> passed;

    explicit FilteredBox(KeyAsciiFilter filter) {
        auto* layout = new QVBoxLayout(&dialog);
        layout->addWidget(edit);
        layout->addWidget(next);
        filterKeyText(*edit, std::move(filter), [this](std::int16_t key) { passed.push_back(key); });
        dialog.show();
        QApplication::setActiveWindow(&dialog);
        EXPECT_TRUE(QTest::qWaitForWindowActive(&dialog));
        edit->setFocus();
    }
    std::string text() const { return edit->text().toStdString(); }
    void key(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) { QTest::keyClick(edit, key, modifiers); }
};

struct TypingRow {
    const char* name;
    std::int16_t (*filter)(std::int16_t);
    QString typed;
    std::string text;
};

TEST(KeyTextFilter, TypedCharactersPassOnlyWhenTheFilterKeepsThem) {
    const TypingRow rows[] = {
        {"IP", gFilterIPKeyAscii, "19a8.x1-8 ", "198.18"},
        {"MAC", gFilterMacKeyAscii, "0A:1b;zZ-", "0A:1bzZ"},
    };
    for (const auto& row : rows) {
        FilteredBox box(row.filter);
        QTest::keyClicks(box.edit, row.typed);
        EXPECT_EQ(box.text(), row.text) << row.name;
    }
}

TEST(KeyTextFilter, TextOutsideAsciiNeverPasses) {
    FilteredBox box([](std::int16_t key) { return key; });
    QKeyEvent accented(QEvent::KeyPress, Qt::Key_Eacute, Qt::NoModifier, QString::fromUtf8("\xC3\xA9"));
    QApplication::sendEvent(box.edit, &accented);
    EXPECT_EQ(box.text(), "");
}

TEST(KeyTextFilter, EditingKeysWorkAndOnlyFilteredKeysAreReported) {
    FilteredBox box(gFilterIPKeyAscii);
    QTest::keyClicks(box.edit, "1x23");
    box.key(Qt::Key_Backspace);
    box.key(Qt::Key_Left);
    box.key(Qt::Key_Delete);
    box.key(Qt::Key_Home);
    QTest::keyClicks(box.edit, "9");
    EXPECT_EQ(box.text(), "91");
    EXPECT_EQ(box.passed, (std::vector<std::int16_t>{'1', '2', '3', 8, '9'}));
}

TEST(KeyTextFilter, CtrlKeysAndPasteDoNotReachTheBox) {
    FilteredBox box(gFilterIPKeyAscii);
    QTest::keyClicks(box.edit, "12");
    QApplication::clipboard()->setText("7.7.7.7");
    box.key(Qt::Key_V, Qt::ControlModifier);
    box.key(Qt::Key_Insert, Qt::ShiftModifier);
    // Had Ctrl+A selected all, the digit would replace the text.
    box.key(Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(box.edit, "5");
    EXPECT_EQ(box.text(), "125");

    QMimeData data;
    data.setText("8.8.8.8");
    QDropEvent drop(QPointF(2, 2), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(box.edit, &drop);
    EXPECT_EQ(box.text(), "125");
    EXPECT_EQ(box.edit->contextMenuPolicy(), Qt::NoContextMenu);
}

TEST(KeyTextFilter, ReturnTabAndEscapeStillActOnTheDialog) {
    FilteredBox box(gFilterIPKeyAscii);
    QSignalSpy returned(box.edit, &QLineEdit::returnPressed);
    box.key(Qt::Key_Return);
    EXPECT_EQ(returned.count(), 1);
    box.key(Qt::Key_Tab);
    EXPECT_TRUE(box.next->hasFocus());
    box.edit->setFocus();
    box.key(Qt::Key_Escape);
    EXPECT_FALSE(box.dialog.isVisible());
}

} // namespace
} // namespace kez::ombrel
