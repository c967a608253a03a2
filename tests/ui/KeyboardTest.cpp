// Keyboard use of every window: mnemonics that never clash, and a tab order that follows the
// fields on screen.
#include "tests/ui/UiTestSupport.h"

#include "ui/EditProjectUnit.h"
#include "ui/ReplaceRuleFormUnit.h"
#include "ui/TabOrderUnit.h"
#include "ui/TranslationUnit.h"
#include "ui/WebDocFormUnit.h"
#include "ui/WebPageFormUnit.h"

#include <QAbstractScrollArea>
#include <QAbstractSpinBox>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>

using namespace Qt::StringLiterals;

using namespace tarrow;
using namespace tarrow::test;

namespace {

// The letter after a single "&" ("&&" shows an ampersand), or a null character.
QChar Mnemonic(const QString& AText) {
    for (qsizetype i = 0; i + 1 < AText.size(); ++i) {
        if (AText[i] != u'&')
            continue;
        if (AText[i + 1] != u'&')
            return AText[i + 1].toLower();
        ++i;
    }
    return {};
}

// Runs ACheck once for every page of the window's tab controls (once when there is none).
void ForEveryPage(QWidget* AWindow, const std::function<void()>& ACheck) {
    const QList<QTabWidget*> tabs = AWindow->findChildren<QTabWidget*>();
    if (tabs.isEmpty())
        ACheck();
    for (QTabWidget* tab : tabs)
        for (int i = 0; i < tab->count(); ++i) {
            SCOPED_TRACE(tab->tabText(i).toStdString());
            tab->setCurrentIndex(i);
            ACheck();
        }
}

// Every button and check box shown at the same time has a mnemonic of its own, and a field
// label that has one shares it with nothing else.
void ExpectUniqueMnemonics(QWidget* AWindow) {
    SCOPED_TRACE(AWindow->objectName().toStdString());
    ForEveryPage(AWindow, [AWindow] {
        QHash<QChar, QString> taken;
        for (QAbstractButton* button : AWindow->findChildren<QAbstractButton*>()) {
            if (!qobject_cast<QPushButton*>(button) && !qobject_cast<QCheckBox*>(button))
                continue;
            if (!button->isVisibleTo(AWindow))
                continue;
            const QChar letter = Mnemonic(button->text());
            EXPECT_FALSE(letter.isNull()) << button->text().toStdString();
            if (letter.isNull())
                continue;
            EXPECT_FALSE(taken.contains(letter))
                << button->text().toStdString() << " and " << taken[letter].toStdString();
            taken.insert(letter, button->text());
        }
        // A field label's mnemonic moves the focus to its field: it must not clash either.
        for (QLabel* label : AWindow->findChildren<QLabel*>()) {
            const QChar letter = Mnemonic(label->text());
            if (!label->buddy() || !label->isVisibleTo(AWindow) || letter.isNull())
                continue;
            EXPECT_FALSE(taken.contains(letter))
                << label->text().toStdString() << " and " << taken[letter].toStdString();
            taken.insert(letter, label->text());
        }
    });
}

class Keyboard : public UiTest {
protected:
    // The main window and every dialog, shown.
    QList<QWidget*> Windows() {
        TTarrowMainForm& window = MakeWindow();
        TEditProjectForm& editor = window.EditProjectForm();
        return {&window, &editor, &editor.WebPageForm(), &editor.WebDocForm(),
                &editor.ReplaceRuleForm()};
    }
};

TEST_F(Keyboard, MnemonicsAreUniqueInEveryWindow) {
    for (QWidget* window : Windows()) {
        window->show();
        ExpectUniqueMnemonics(window);
        if (window != FWindow.get())
            window->hide();
    }
}

// The translation picks its own letters: they must not clash either.
TEST_F(Keyboard, MnemonicsAreUniqueInEveryWindowInGerman) {
    const TTranslations german(QLocale(QLocale::German, QLocale::Germany));
    ASSERT_TRUE(german.Translated());
    for (QWidget* window : Windows()) {
        window->show();
        ExpectUniqueMnemonics(window);
        if (window != FWindow.get())
            window->hide();
    }
}

// Every button and field that the keyboard reaches says in its tooltip what it does.
TEST_F(Keyboard, EveryButtonAndFieldHasATooltip) {
    for (QWidget* window : Windows()) {
        SCOPED_TRACE(window->objectName().toStdString());
        window->show();
        ForEveryPage(window, [window] {
            for (QWidget* w : TabChain(window)) {
                // The tab bar names its pages, a scroll area only holds fields; a spin box's or
                // combo box's own line edit is part of it.
                if (!w->isVisibleTo(window) || qobject_cast<QTabBar*>(w) ||
                    w->inherits("QScrollArea") ||
                    qobject_cast<QAbstractSpinBox*>(w->parentWidget()) ||
                    qobject_cast<QComboBox*>(w->parentWidget()))
                    continue;
                EXPECT_FALSE(w->toolTip().isEmpty()) << w->objectName().toStdString();
            }
        });
        if (window != FWindow.get())
            window->hide();
    }
}

// Every field shown has a name for assistive tools, most of them from their label.
TEST_F(Keyboard, EveryFieldHasAnAccessibleName) {
    for (QWidget* window : Windows()) {
        SCOPED_TRACE(window->objectName().toStdString());
        window->show();
        ForEveryPage(window, [window] {
            for (QWidget* w : TabChain(window)) {
                if (!w->isVisibleTo(window) || qobject_cast<QAbstractButton*>(w) ||
                    qobject_cast<QTabBar*>(w) || qobject_cast<QLabel*>(w))
                    continue;
                EXPECT_FALSE(w->accessibleName().isEmpty()) << w->objectName().toStdString();
            }
        });
        if (window != FWindow.get())
            window->hide();
    }
    // A label names its field and gives it the focus.
    auto* pattern = Child<QLineEdit>(&FWindow->EditProjectForm().ReplaceRuleForm(), "PatternEdit");
    EXPECT_EQ(pattern->accessibleName(), u"Replace Pattern"_s);
    bool buddy = false;
    for (QLabel* label : FWindow->EditProjectForm().ReplaceRuleForm().findChildren<QLabel*>())
        buddy = buddy || (label->buddy() == pattern && label->text() == u"Replace Pattern:"_s);
    EXPECT_TRUE(buddy);
}

// Every window opens wholly on its screen; the editor takes its own size where it fits and
// scrolls its fields where it does not, and can be resized.
TEST_F(Keyboard, EveryWindowOpensOnItsScreen) {
    for (QWidget* window : Windows()) {
        SCOPED_TRACE(window->objectName().toStdString());
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
        const QRect area = window->screen()->availableGeometry();
        EXPECT_TRUE(area.contains(window->frameGeometry())) << area.height();
        if (window != FWindow.get())
            window->hide();
    }
    TEditProjectForm& editor = FWindow->EditProjectForm();
    EXPECT_NE(editor.minimumSize(), editor.maximumSize()); // resizable
    const QSize area = editor.screen()->availableGeometry().size();
    if (area.height() >= 800) {
        EXPECT_EQ(editor.width(), qMin(587, area.width()));
        EXPECT_EQ(editor.height(), 745);
    } else {
        editor.show();
        auto* scroll = Child<QScrollArea>(&editor, "EditProjectScrollArea");
        EXPECT_LT(editor.height(), 745);
        EXPECT_GT(scroll->verticalScrollBar()->maximum(), 0); // the fields scroll
        // ... only up and down: the editor widened by the scroll bar where the screen has room.
        if (area.width() >= 640) {
            EXPECT_EQ(scroll->horizontalScrollBar()->maximum(), 0);
        }
        editor.hide();
    }
}

// Tab goes through the fields shown on every page in reading order.
TEST_F(Keyboard, TabFollowsTheFieldsTopToBottomLeftToRight) {
    for (QWidget* window : Windows()) {
        SCOPED_TRACE(window->objectName().toStdString());
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
        ForEveryPage(window, [window] {
            QCoreApplication::processEvents();
            QList<QWidget*> shown;
            // Fields scrolled out of a page's view are not shown.
            for (QWidget* w : TabChain(window))
                if (w->isVisibleTo(window) && !w->visibleRegion().isEmpty())
                    shown.append(w);
            ASSERT_GE(shown.size(), 2);
            // A field cut by the edge of its scroll area's view is compared by its shown part.
            const auto shownRect = [window](const QWidget* AField) {
                QRect rect = WindowRect(AField, window);
                for (QWidget* w = AField->parentWidget(); w && w != window; w = w->parentWidget())
                    if (auto* area = qobject_cast<QAbstractScrollArea*>(w))
                        rect &= WindowRect(area->viewport(), window);
                return rect;
            };
            for (qsizetype i = 1; i < shown.size(); ++i)
                EXPECT_FALSE(TabBefore(shownRect(shown[i]), shownRect(shown[i - 1])))
                    << shown[i - 1]->objectName().toStdString() << " then "
                    << shown[i]->objectName().toStdString();
        });
        if (window != FWindow.get())
            window->hide();
    }
}

} // namespace
