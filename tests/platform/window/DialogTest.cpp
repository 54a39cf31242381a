#include "platform/window/Dialog.h"

#include "platform/window/Button.h"
#include "platform/window/ListCtrl.h"
#include "platform/window/Screen.h"
#include "platform/window/Static.h"
#include "platform/window/Window.h"
#include "tests/support/TestApp.h"

#include <QComboBox>
#include <QDateEdit>
#include <QGroupBox>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QTimeEdit>

#include <gtest/gtest.h>

#include <array>
#include <vector>

using namespace platform;

namespace {

constexpr std::array kItems = {
    DialogItem{1, ChildKind::Button, 10, 200, 80, 24, "OK"},
    DialogItem{2, ChildKind::Button, 100, 200, 80, 24, "Cancel"},
    DialogItem{1100, ChildKind::Static, 10, 10, 200, 20, "Title"},
    DialogItem{1101, ChildKind::Static, 10, 10, 200, 40, "Under", kItemHidden},
    DialogItem{1102, ChildKind::Button, 190, 200, 80, 24, "Yes", kItemDisabled},
    DialogItem{1046, ChildKind::ListView, 10, 60, 200, 100},
    DialogItem{1400, ChildKind::ComboBox, 220, 60, 100, 24, "", kItemSorted},
    DialogItem{1034, ChildKind::DatePicker, 220, 90, 100, 24},
    DialogItem{1035, ChildKind::TimePicker, 220, 120, 100, 24},
    DialogItem{1000, ChildKind::GroupBox, 220, 150, 100, 40, "Group"},
    DialogItem{1007, ChildKind::Custom, 330, 10, 60, 60, "map"},
};
constexpr DialogTemplate kTemplate{133, "Box", 400, 240, kDialogPopup | kDialogVisible, kItems};

// Records what arrives and can end itself from any handler.
class ProbeDialog : public Dialog {
public:
    explicit ProbeDialog(QWidget* parent = nullptr) : Dialog(kTemplate, parent) {}

    int initCount = 0;
    int endInInit = 0;
    int endOnCommand = 0;  // command id that ends the dialog with 7
    std::vector<int> commands;
    std::vector<int> timers;
    std::vector<std::array<long long, 3>> messages;
    std::vector<std::array<int, 3>> notifies;
    int killAfterTicks = 0;
    bool swallowEscape = false;
    int seenKeys = 0;

protected:
    bool OnInitDialog() override {
        ++initCount;
        if (endInInit != 0) {
            EndDialog(endInInit);
        }
        return true;
    }
    bool OnCommand(int id) override {
        commands.push_back(id);
        if (id == endOnCommand) {
            EndDialog(7);
            return true;
        }
        return Dialog::OnCommand(id);
    }
    void OnTimer(int id) override {
        timers.push_back(id);
        if (killAfterTicks != 0 && static_cast<int>(timers.size()) == killAfterTicks) {
            KillTimer(id);
        }
    }
    LResult OnMessage(unsigned msg, WParam w, LParam l) override {
        messages.push_back(
            {static_cast<long long>(msg), static_cast<long long>(w), static_cast<long long>(l)});
        return 0;
    }
    LResult OnNotify(int id, int code, int item) override {
        notifies.push_back({id, code, item});
        return 0;
    }
    bool PreTranslateMessage(QObject*, QEvent* event) override {
        if (event->type() == QEvent::KeyPress) {
            ++seenKeys;
            return swallowEscape && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape;
        }
        return false;
    }
};

class DialogTest : public ::testing::Test {
protected:
    void SetUp() override { testsupport::EnsureApp(); }
    void TearDown() override {
        SetModalHook({});
        SetScreenSizeOverride({});
    }
};

TEST_F(DialogTest, BuildsEveryChildOfItsTemplate) {
    ProbeDialog dialog;
    ASSERT_TRUE(dialog.Create(nullptr));
    EXPECT_EQ(dialog.size(), QSize(400, 240));
    EXPECT_TRUE(dialog.windowFlags() & Qt::FramelessWindowHint);
    EXPECT_EQ(dialog.windowTitle(), "Box");
    struct Case {
        int id;
        const char* className;
        QRect geometry;
        QString text;
        bool hidden;
        bool enabled;
    };
    const Case cases[] = {
        {1, "QPushButton", {10, 200, 80, 24}, "OK", false, true},
        {1100, "QLabel", {10, 10, 200, 20}, "Title", false, true},
        {1101, "QLabel", {10, 10, 200, 40}, "Under", true, true},
        {1102, "QPushButton", {190, 200, 80, 24}, "Yes", false, false},
        {1046, "platform::ListCtrl", {10, 60, 200, 100}, "", false, true},
        {1400, "platform::ComboBox", {220, 60, 100, 24}, "", false, true},
        {1034, "QDateEdit", {220, 90, 100, 24}, QString(), false, true},
        {1035, "QTimeEdit", {220, 120, 100, 24}, QString(), false, true},
        {1000, "QGroupBox", {220, 150, 100, 40}, "Group", false, true},
        {1007, "QWidget", {330, 10, 60, 60}, "map", false, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.id);
        QWidget* child = dialog.GetDlgItem(c.id);
        ASSERT_NE(child, nullptr);
        EXPECT_STREQ(child->metaObject()->className(), c.className);
        EXPECT_EQ(child->geometry(), c.geometry);
        EXPECT_EQ(GetDlgCtrlID(child), c.id);
        if (!c.text.isNull()) {
            EXPECT_EQ(GetWindowText(child), c.text);
        }
        EXPECT_EQ(child->isHidden(), c.hidden);
        EXPECT_EQ(child->isEnabled(), c.enabled);
    }
    EXPECT_EQ(dialog.GetDlgItem(4242), nullptr);
    EXPECT_EQ(dialog.initCount, 1);
    EXPECT_EQ(dialog.windowType(), Qt::Dialog);
    constexpr DialogTemplate kMain{104, "Main", 300, 200, kDialogPopup | kDialogAppWindow, {}};
    Dialog main(kMain);
    EXPECT_EQ(main.windowType(), Qt::Window);
    EXPECT_TRUE(main.windowFlags() & Qt::FramelessWindowHint);
    EXPECT_TRUE(dialog.isVisible());
}

TEST_F(DialogTest, FirstTemplateChildLiesOnTop) {
    ProbeDialog dialog;
    dialog.Create(nullptr);
    dialog.GetDlgItem(1101)->show();
    EXPECT_EQ(dialog.childAt(20, 15), dialog.GetDlgItem(1100));
    EXPECT_EQ(dialog.childAt(20, 40), dialog.GetDlgItem(1101));
}

TEST_F(DialogTest, DoModalReturnsTheResultOfWhatEndsIt) {
    struct Case {
        const char* what;
        std::function<void(ProbeDialog&)> act;
        int result;
    };
    const Case cases[] = {
        {"OK button", [](ProbeDialog& d) { QTest::mouseClick(d.GetDlgItem(1), Qt::LeftButton); },
         IDOK},
        {"Cancel button",
         [](ProbeDialog& d) { QTest::mouseClick(d.GetDlgItem(2), Qt::LeftButton); }, IDCANCEL},
        {"own command",
         [](ProbeDialog& d) {
             d.endOnCommand = 1100;
             d.DispatchCommand(1100);
         },
         7},
        {"Escape", [](ProbeDialog& d) { QTest::keyClick(&d, Qt::Key_Escape); }, IDCANCEL},
        {"Enter", [](ProbeDialog& d) { QTest::keyClick(&d, Qt::Key_Return); }, IDOK},
        {"system close", [](ProbeDialog& d) { d.close(); }, IDCANCEL},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ProbeDialog dialog;
        int hookCalls = 0;
        SetModalHook([&](Dialog& shown) {
            ++hookCalls;
            EXPECT_EQ(&shown, &dialog);
            EXPECT_TRUE(shown.isVisible());
            EXPECT_TRUE(shown.IsModalRun());
            c.act(dialog);
        });
        EXPECT_EQ(dialog.DoModal(), c.result);
        EXPECT_EQ(hookCalls, 1);
        EXPECT_FALSE(dialog.isVisible());
        EXPECT_EQ(dialog.initCount, 1);
    }
}

TEST_F(DialogTest, EndDialogDuringInitialisationNeverShowsTheWindow) {
    ProbeDialog dialog;
    dialog.endInInit = IDCANCEL;
    bool hookCalled = false;
    SetModalHook([&](Dialog&) { hookCalled = true; });
    EXPECT_EQ(dialog.DoModal(), IDCANCEL);
    QCoreApplication::processEvents();
    EXPECT_FALSE(hookCalled);
    EXPECT_FALSE(dialog.isVisible());
}

TEST_F(DialogTest, ModelessEndDialogOnlyHides) {
    QPointer<ProbeDialog> dialog = new ProbeDialog;
    ASSERT_TRUE(dialog->Create(nullptr));
    QTest::mouseClick(dialog->GetDlgItem(1), Qt::LeftButton);
    QCoreApplication::processEvents();
    ASSERT_FALSE(dialog.isNull());
    EXPECT_FALSE(dialog->isVisible());
    dialog->show();
    EXPECT_EQ(dialog->GetDlgItem(1)->parentWidget(), dialog.data());
    DestroyWindow(dialog.data());
}

TEST_F(DialogTest, DisabledTemplateButtonSendsNoCommand) {
    ProbeDialog dialog;
    dialog.Create(nullptr);
    QTest::mouseClick(dialog.GetDlgItem(1102), Qt::LeftButton);
    EXPECT_TRUE(dialog.commands.empty());
}

TEST_F(DialogTest, TimersTickByIdUntilKilled) {
    ProbeDialog dialog;
    dialog.Create(nullptr);
    dialog.killAfterTicks = 3;
    dialog.SetTimer(100, 5);
    EXPECT_TRUE(dialog.IsTimerActive(100));
    QTRY_COMPARE_WITH_TIMEOUT(dialog.timers.size(), size_t{3}, 2000);
    EXPECT_FALSE(dialog.IsTimerActive(100));
    QTest::qWait(40);
    EXPECT_EQ(dialog.timers, (std::vector<int>{100, 100, 100}));
    EXPECT_FALSE(dialog.KillTimer(100));
    dialog.killAfterTicks = 4;
    dialog.SetTimer(100, 5);
    QTRY_COMPARE_WITH_TIMEOUT(dialog.timers.size(), size_t{4}, 2000);
    EXPECT_FALSE(dialog.KillTimer(55));
}

TEST_F(DialogTest, PostedMessagesArriveLaterInOrderWithBothParameters) {
    ProbeDialog dialog;
    dialog.Create(nullptr);
    int object = 0;
    const auto address = reinterpret_cast<WParam>(&object);
    EXPECT_TRUE(PostMessage(&dialog, WM_USER, address, 73));
    EXPECT_TRUE(dialog.PostMessage(WM_USER + 200, 2, -1));
    EXPECT_FALSE(PostMessage(nullptr, WM_USER, 0, 0));
    EXPECT_TRUE(dialog.messages.empty());
    QCoreApplication::processEvents();
    ASSERT_EQ(dialog.messages.size(), 2u);
    EXPECT_EQ(dialog.messages[0][0], WM_USER);
    EXPECT_EQ(static_cast<WParam>(dialog.messages[0][1]), address);
    EXPECT_EQ(dialog.messages[0][2], 73);
    EXPECT_EQ(dialog.messages[1][0], WM_USER + 200);
    EXPECT_EQ(dialog.messages[1][2], -1);
    EXPECT_EQ(SendMessage(&dialog, WM_USER + 201, 0, 0), 0);
    EXPECT_EQ(dialog.messages.size(), 3u);
}

TEST_F(DialogTest, PreTranslateMessageSeesOwnInputOnly) {
    ProbeDialog dialog;
    dialog.swallowEscape = true;
    int hookCalls = 0;
    SetModalHook([&](Dialog&) {
        ++hookCalls;
        QTest::keyClick(dialog.GetDlgItem(1), Qt::Key_Escape);
        EXPECT_TRUE(dialog.isVisible());
        QWidget other;
        other.show();
        const int seen = dialog.seenKeys;
        QTest::keyClick(&other, Qt::Key_A);
        EXPECT_EQ(dialog.seenKeys, seen);
        dialog.EndDialog(3);
    });
    EXPECT_EQ(dialog.DoModal(), 3);
    EXPECT_EQ(hookCalls, 1);
    EXPECT_GE(dialog.seenKeys, 1);
}

TEST_F(DialogTest, SubclassedWidgetTakesThePlaceholdersPlace) {
    ProbeDialog dialog;
    dialog.Create(nullptr);
    QPointer<QWidget> placeholder = dialog.GetDlgItem(1102);
    auto* button = new Button;
    ASSERT_TRUE(dialog.SubclassDlgItem(1102, button));
    QCoreApplication::processEvents();
    EXPECT_TRUE(placeholder.isNull());
    EXPECT_EQ(dialog.GetDlgItem(1102), button);
    EXPECT_EQ(button->parentWidget(), &dialog);
    EXPECT_EQ(button->geometry(), QRect(190, 200, 80, 24));
    EXPECT_EQ(GetDlgCtrlID(button), 1102);
    EXPECT_EQ(button->text(), "Yes");
    EXPECT_FALSE(button->isEnabled());
    button->setEnabled(true);
    QTest::mouseClick(button, Qt::LeftButton);
    EXPECT_EQ(dialog.commands, std::vector<int>{1102});

    auto* text = new Static;
    ASSERT_TRUE(dialog.SubclassDlgItem(1101, text));
    EXPECT_TRUE(text->isHidden());
    EXPECT_EQ(GetWindowText(text), "Under");
    text->show();
    EXPECT_EQ(dialog.childAt(20, 15), dialog.GetDlgItem(1100));
    EXPECT_FALSE(dialog.SubclassDlgItem(4242, new Static(&dialog)));
}

TEST_F(DialogTest, CaptionDragMovesTheWindowOnlyWhenAsked) {
    for (const bool ask : {true, false}) {
        SCOPED_TRACE(ask);
        ProbeDialog dialog;
        dialog.Create(nullptr);
        dialog.move(100, 100);
        QTest::mousePress(&dialog, Qt::LeftButton, {}, QPoint(300, 100));
        if (ask) {
            dialog.PostMessage(WM_NCLBUTTONDOWN, HTCAPTION, 0);
        }
        QCoreApplication::processEvents();
        QMouseEvent move(QEvent::MouseMove, QPointF(330, 120),
                         dialog.mapToGlobal(QPointF(330, 120)), Qt::NoButton, Qt::LeftButton,
                         Qt::NoModifier);
        QApplication::sendEvent(&dialog, &move);
        QTest::mouseRelease(&dialog, Qt::LeftButton, {}, QPoint(330, 120));
        EXPECT_EQ(dialog.pos(), ask ? QPoint(130, 120) : QPoint(100, 100));
    }
}

TEST_F(DialogTest, MaximiseFillsTheOverriddenScreenAndRestoreReturns) {
    SetScreenSizeOverride(QSize(1366, 768));
    EXPECT_EQ(PrimaryScreenSize(), QSize(1366, 768));
    ProbeDialog dialog;
    dialog.Create(nullptr);
    dialog.setGeometry(50, 60, 400, 240);
    dialog.ShowWindow(ShowCommand::Maximize);
    EXPECT_TRUE(dialog.IsZoomed());
    EXPECT_EQ(dialog.geometry(), QRect(0, 0, 1366, 768));
    dialog.ShowWindow(ShowCommand::Restore);
    EXPECT_FALSE(dialog.IsZoomed());
    EXPECT_EQ(dialog.geometry(), QRect(50, 60, 400, 240));
    SetScreenSizeOverride({});
    EXPECT_EQ(PrimaryScreenSize(), QGuiApplication::primaryScreen()->geometry().size());
}

TEST_F(DialogTest, SortedComboKeepsEntriesInOrderAndTellsBeforeItDropsDown) {
    ProbeDialog dialog;
    dialog.Create(nullptr);
    auto* combo = qobject_cast<QComboBox*>(dialog.GetDlgItem(1400));
    ASSERT_NE(combo, nullptr);
    for (const char* root : {"/media/f/", "/media/E/", "/media/a/", "/media/e/"}) {
        ComboAddString(combo, root);
    }
    QStringList items;
    for (int i = 0; i < combo->count(); ++i) {
        items << combo->itemText(i);
    }
    EXPECT_EQ(items, QStringList({"/media/a/", "/media/E/", "/media/e/", "/media/f/"}));
    combo->showPopup();
    combo->hidePopup();
    EXPECT_EQ(dialog.notifies, (std::vector<std::array<int, 3>>{{1400, CBN_DROPDOWN, 0}}));
    QComboBox plain;
    ComboAddString(&plain, "b");
    ComboAddString(&plain, "a");
    EXPECT_EQ(plain.itemText(0), "b");
}

TEST_F(DialogTest, ListDoubleClickReachesTheDialogWithTheRow) {
    ProbeDialog dialog;
    dialog.Create(nullptr);
    auto* list = qobject_cast<ListCtrl*>(dialog.GetDlgItem(1046));
    ASSERT_NE(list, nullptr);
    list->InsertColumn(0, "ITEM", LVCFMT_LEFT, 150);
    list->SetRowHeight(20);
    list->InsertItem(0, "a");
    list->InsertItem(1, "b");
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, QPoint(5, 25));
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, QPoint(5, 85));
    ASSERT_EQ(dialog.notifies.size(), 2u);
    EXPECT_EQ(dialog.notifies[0], (std::array<int, 3>{1046, NM_DBLCLK, 1}));
    EXPECT_EQ(dialog.notifies[1], (std::array<int, 3>{1046, NM_DBLCLK, -1}));
}

}  // namespace
