#include "shell/desktopplatform.h"
#include "shell/translations.h"
#include "support/scriptedplatform.h"
#include "support/testnames.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QLabel>
#include <QPrinter>
#include <QTemporaryDir>

#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

namespace {

struct FilterCase {
    const char* name;
    const char* filter; // description|pattern pairs as the windows pass them
    const char* qt;
};

class QtFilter : public ::testing::TestWithParam<FilterCase> { };

TEST_P(QtFilter, ShowsEachPatternOnce)
{
    EXPECT_EQ(DesktopPlatform::qtFilter(QString::fromUtf8(GetParam().filter)), QString::fromUtf8(GetParam().qt));
}

INSTANTIATE_TEST_SUITE_P(Table, QtFilter,
    ::testing::Values(FilterCase { "LogFile", "Velmora-Logfile (*.vml)|*vml", "Velmora-Logfile (*.vml)" },
        FilterCase { "PatternNotNamed", "Zündtabelle|*vmz", "Zündtabelle (*.vmz)" },
        FilterCase { "PatternWithDot", "Lambdatabelle|*.tla", "Lambdatabelle (*.tla)" },
        FilterCase { "TwoFilters", "Zündtabelle (*.vmz)|*vmz|Alle Dateien (*.*)|*.*",
            "Zündtabelle (*.vmz);;Alle Dateien (*.*)" },
        FilterCase { "SeveralPatterns", "Tabellen|*vmz;*tla", "Tabellen (*.vmz *.tla)" },
        // parentheses that name no pattern are part of the description
        FilterCase { "WordsInParentheses", "Logfile (alt)|*vml", "Logfile (alt) (*.vml)" },
        FilterCase { "DescriptionWithoutPattern", "Logfile", "" }),
    [](const auto& info) { return testName(info.param.name); });

// What Qt reads out of the filter lists every *.vml file and nothing else,
// whether or not the window's pattern had the dot.
TEST(QtFilterPatterns, UndottedPatternListsTheFilesOfThatExtension)
{
    QTemporaryDir dir;
    for (const char* name : { "fahrt.vml", "alt.vml", "fahrt.vmz", "vml", "fahrtvml" }) {
        QFile f(dir.filePath(QString::fromLatin1(name)));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    QFileDialog dialog;
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setNameFilter(DesktopPlatform::qtFilter(QStringLiteral("Velmora-Logfile|*vml")));
    auto* model = dialog.findChild<QFileSystemModel*>();
    ASSERT_NE(model, nullptr);
    EXPECT_EQ(model->nameFilters(), QStringList { QStringLiteral("*.vml") });
    const QStringList listed = QDir(dir.path()).entryList(model->nameFilters(), QDir::Files, QDir::Name);
    EXPECT_EQ(listed, (QStringList { QStringLiteral("alt.vml"), QStringLiteral("fahrt.vml") }));
}

// A job that cannot start or that the printer refuses is a failure, so the
// window can say that no printer is available.
TEST(DesktopPrint, PrintsAllPagesOrFailsWhenTheJobCannotStart)
{
    QTemporaryDir dir;
    QString text;
    for (int i = 1; i <= 120; ++i)
        text += QStringLiteral("   Zeile %1\r\n").arg(i);

    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(dir.filePath(QStringLiteral("bericht.pdf")));
    EXPECT_TRUE(DesktopPlatform::printOn(printer, text, 14));
    QFile pdf(printer.outputFileName());
    ASSERT_TRUE(pdf.open(QIODevice::ReadOnly));
    const QByteArray bytes = pdf.readAll();
    EXPECT_TRUE(bytes.startsWith("%PDF"));
    // 120 lines at 14 points do not fit on one page.
    EXPECT_GE(bytes.count("/Type /Page\n") + bytes.count("/Type /Page\r"), 2) << bytes.count("/Type /Page");

    QPrinter unwritable;
    unwritable.setOutputFormat(QPrinter::PdfFormat);
    unwritable.setOutputFileName(dir.filePath(QStringLiteral("fehlt/bericht.pdf")));
    EXPECT_FALSE(DesktopPlatform::printOn(unwritable, text, 14));
}

struct LanguageCase {
    const char* name;
    QLocale system;
    const char* cancel; // the standard button
    const char* lookIn; // a file dialog label
};

class QtTranslations : public ::testing::TestWithParam<LanguageCase> { };

TEST_P(QtTranslations, StandardDialogsSpeakTheProgramsLanguage)
{
    const auto translators = installQtTranslations(GetParam().system);
    EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "Cancel"), QString::fromUtf8(GetParam().cancel));
    QFileDialog dialog;
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    auto* lookIn = dialog.findChild<QLabel*>(QStringLiteral("lookInLabel"));
    ASSERT_NE(lookIn, nullptr);
    EXPECT_EQ(lookIn->text(), QString::fromUtf8(GetParam().lookIn));
}

INSTANTIATE_TEST_SUITE_P(Table, QtTranslations,
    ::testing::Values(
        LanguageCase { "German", QLocale(QLocale::German, QLocale::Austria), "Abbrechen", "Suchen in:" },
        LanguageCase { "English", QLocale(QLocale::English, QLocale::UnitedStates), "Abbrechen", "Suchen in:" },
        LanguageCase { "C", QLocale::c(), "Abbrechen", "Suchen in:" },
        LanguageCase { "French", QLocale(QLocale::French, QLocale::France), "Annuler", "Voir dans :" }),
    [](const auto& info) { return testName(info.param.name); });

// A test meets every question box it causes: one it did not script fails it
// and is answered so that nothing happens.
struct UnscriptedCase {
    const char* name;
    Platform::Buttons buttons;
    Platform::Answer answer;
};

class UnscriptedQuestion : public ::testing::TestWithParam<UnscriptedCase> { };

TEST_P(UnscriptedQuestion, FailsTheTestAndChangesNothing)
{
    ScriptedPlatform scripted;
    Platform::Answer answer = Platform::Answer::Ok;
    EXPECT_NONFATAL_FAILURE(
        answer = scripted.messageBox(nullptr, QStringLiteral("Hinweis"), QStringLiteral("Tabelle überschreiben?"),
            Platform::Icon::Question, GetParam().buttons),
        "unscripted question box \"Hinweis\": Tabelle überschreiben?");
    EXPECT_EQ(answer, GetParam().answer);
    EXPECT_EQ(scripted.boxes.size(), 1u);
}

INSTANTIATE_TEST_SUITE_P(Table, UnscriptedQuestion,
    ::testing::Values(UnscriptedCase { "YesNo", Platform::Buttons::YesNo, Platform::Answer::No },
        UnscriptedCase { "YesNoCancel", Platform::Buttons::YesNoCancel, Platform::Answer::Cancel },
        UnscriptedCase { "OkCancel", Platform::Buttons::OkCancel, Platform::Answer::Cancel },
        UnscriptedCase { "RetryCancel", Platform::Buttons::RetryCancel, Platform::Answer::Cancel }),
    [](const auto& info) { return testName(info.param.name); });

TEST(ScriptedQuestion, ScriptedAnswersComeInOrderAndPlainBoxesNeedNone)
{
    ScriptedPlatform scripted;
    scripted.answers = { Platform::Answer::Yes, Platform::Answer::Retry };
    const QString t = QStringLiteral("x");
    EXPECT_EQ(scripted.messageBox(nullptr, t, t, Platform::Icon::Question, Platform::Buttons::YesNo),
        Platform::Answer::Yes);
    EXPECT_EQ(scripted.messageBox(nullptr, t, t, Platform::Icon::Warning, Platform::Buttons::RetryCancel),
        Platform::Answer::Retry);
    EXPECT_EQ(platform().messageBox(nullptr, t, t, Platform::Icon::Information), Platform::Answer::Ok);
    EXPECT_FALSE(scripted.openFileName(nullptr, {}));
    EXPECT_FALSE(scripted.saveFileName(nullptr, {}));
}

} // namespace
