// Every text the programming dialog can show fits its control whole, in the font the dialog
// resolves here. ctest runs these once more per font family with fontconfig limited to that
// family (label "fonts"); KVEN_TEST_FONT_FAMILY then names the family.
#include <QComboBox>
#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetricsF>
#include <QGroupBox>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <cmath>

#include "dialog_fixture.h"
#include "ui/qt/text_fit.h"

namespace gui_test {
namespace {

QString ShownText(const QWidget& w) {
    if (const auto* label = qobject_cast<const QLabel*>(&w))
        return label->text();
    if (const auto* edit = qobject_cast<const QLineEdit*>(&w))
        return edit->text();
    if (const auto* button = qobject_cast<const QPushButton*>(&w))
        return button->text();
    if (const auto* box = qobject_cast<const QGroupBox*>(&w))
        return box->title();
    return {};
}

void SetShownText(QWidget& w, const QString& text) {
    if (auto* label = qobject_cast<QLabel*>(&w))
        label->setText(text);
    if (auto* edit = qobject_cast<QLineEdit*>(&w))
        edit->setText(text);
}

// The columns from the first to the last in which `a` and `b` differ (0 when none).
int DifferingSpan(const QImage& a, const QImage& b) {
    int first = -1, last = -1;
    for (int x = 0; x < a.width(); ++x) {
        for (int y = 0; y < a.height(); ++y) {
            if (a.pixel(x, y) != b.pixel(x, y)) {
                first = first < 0 ? x : first;
                last = x;
                break;
            }
        }
    }
    return first < 0 ? 0 : last - first + 1;
}

// How wide `text` inks in `font`, drawn with nothing around it.
int FreeInkWidth(const QString& text, const QFont& font) {
    const QFontMetricsF fm(font);
    const QSize size(static_cast<int>(std::ceil(fm.horizontalAdvance(text))) + 40,
                     static_cast<int>(std::ceil(fm.height())) + 4);
    QImage blank(size, QImage::Format_ARGB32);
    blank.fill(Qt::white);
    QImage inked = blank;
    QPainter p(&inked);
    p.setFont(font);
    p.setPen(Qt::black);
    p.drawText(QPointF(20, 2 + fm.ascent()), text);
    p.end();
    return DifferingSpan(inked, blank);
}

class FontFit : public DialogTest {
  protected:
    // The control's text, measured in the control's own font, lies within the rectangle where
    // the control shows a text whole.
    static void ExpectFits(const QWidget& w) {
        const QString text = ShownText(w);
        const QRect r = ui::TextRect(w);
        EXPECT_LE(std::ceil(QFontMetricsF(w.font()).horizontalAdvance(text)), r.width())
            << Describe(w, text);
        EXPECT_LE(QFontMetrics(w.font()).height(), r.height()) << Describe(w, text);
    }

    // The control, painted with its text, inks as wide as the text drawn freely: no figure is
    // cut or scrolled out of sight.
    static void ExpectInkedWhole(QWidget& w) {
        const QString text = ShownText(w);
        const QImage shown = w.grab().toImage();
        SetShownText(w, QString());
        const QImage empty = w.grab().toImage();
        SetShownText(w, text);
        EXPECT_GE(DifferingSpan(shown, empty), FreeInkWidth(text, w.font()) - 1)
            << Describe(w, text);
    }

    void ExpectWhole(int id) {
        QWidget* w = dlg->GetDlgItem(id);
        ASSERT_NE(w, nullptr);
        ExpectFits(*w);
        ExpectInkedWhole(*w);
    }

    static std::string Describe(const QWidget& w, const QString& text) {
        const QFontInfo font(w.font());
        return "\"" + text.toStdString() + "\" in " + w.objectName().toStdString() + ", " +
               font.family().toStdString() + " " + std::to_string(font.pixelSize()) + " px";
    }

    // The widest of the texts that `show(i)` puts into control `id`, for i in [0, n).
    template <typename Show>
    int Widest(int id, int n, Show show) {
        const QWidget* w = dlg->GetDlgItem(id);
        const QFontMetricsF fm(w->font());
        int widest = 0;
        qreal width = -1;
        for (int i = 0; i < n; ++i) {
            show(i);
            if (fm.horizontalAdvance(ShownText(*w)) > width) {
                width = fm.horizontalAdvance(ShownText(*w));
                widest = i;
            }
        }
        return widest;
    }
};

TEST_F(FontFit, DialogTakesThePreferredFamilyOrTheOneUnderTest) {
    Create();
    QString expected = qEnvironmentVariable("KVEN_TEST_FONT_FAMILY");
    if (!expected.isEmpty()) {
        // fontconfig offers nothing else, so the test measures the family it names.
        const QStringList generic{"Monospace", "Sans Serif", "Serif"};
        for (const QString& family : QFontDatabase::families()) {
            if (!generic.contains(family)) {
                EXPECT_TRUE(family.startsWith(expected)) << family.toStdString();
            }
        }
    } else {
        // The template's face, its metric twin, then the packaged and the URW look-alike.
        for (const char* face :
             {"Microsoft Sans Serif", "Arial", "Liberation Sans", "Nimbus Sans"}) {
            if (QFontDatabase::hasFamily(QString::fromLatin1(face))) {
                expected = QString::fromLatin1(face);
                break;
            }
        }
    }
    if (expected.isEmpty())
        expected = QFontInfo(QFont()).family();
    EXPECT_TRUE(QFontInfo(dlg->font()).family().startsWith(expected))
        << QFontInfo(dlg->font()).family().toStdString() << ", expected " << expected.toStdString();
}

TEST_F(FontFit, TemplateTextsAndListEntriesFit) {
    Create();
    for (QWidget* w : dlg->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (ShownText(*w).isEmpty())
            continue;
        ExpectFits(*w);
        if (qobject_cast<QLabel*>(w))
            ExpectInkedWhole(*w);
    }
    for (auto* list : dlg->findChildren<QComboBox*>()) {
        const QRect r = ui::TextRect(*list);
        const QFontMetricsF fm(list->font());
        for (int i = 0; i < list->count(); ++i) {
            EXPECT_LE(std::ceil(fm.horizontalAdvance(list->itemText(i))), r.width())
                << list->itemText(i).toStdString();
        }
    }
}

TEST_F(FontFit, LoaderVersionAndChecksumFitAtTheirWidest) {
    Create();
    const auto versionOf = [&](WORD word, QChar letter, WORD packet) {
        Status(3, word, (LPARAM{packet} << 16) | letter.unicode());
    };
    constexpr WORD kRepeatedHexDigits = 0x1111;  // 0x0000, 0x1111, ... 0xFFFF
    const auto word =
        static_cast<WORD>(kRepeatedHexDigits * Widest(1026, 16, [&](int d) {
                              versionOf(static_cast<WORD>(kRepeatedHexDigits * d), 'A', 100);
                          }));
    const QString letters = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
    const QChar letter = letters[Widest(1026, static_cast<int>(letters.size()),
                                        [&](int i) { versionOf(0, letters[i], 100); })];
    const auto packet = static_cast<WORD>(
        Widest(1026, 256, [&](int p) { versionOf(0, 'A', static_cast<WORD>(p)); }));
    versionOf(word, letter, packet);
    ExpectWhole(1026);

    Status(5, word, 0);
    ExpectWhole(1027);
}

TEST_F(FontFit, PositionsAndStatusTextsFitTheStatusBox) {
    Create();
    dlg->OnCommand(1);  // while a job runs
    const std::pair<LPARAM, LPARAM> figures[] = {
        {4194304, 4194304}, {3104370, 4000000}, {0, 4194304},       {1111111, 1111111},
        {2222222, 2222222}, {3333333, 3333333}, {4444444, 4444444}, {5555555, 5555555},
        {6666666, 6666666}, {7777777, 7777777}, {8888888, 8888888}, {9999999, 9999999},
        {1000000, 1000000}};
    for (const auto& [position, total] : figures) {
        Status(0, 0, total);
        Status(1, 0, position);
        ExpectWhole(1025);
    }
    for (const WORD kind : {WORD{2}, WORD{4}, WORD{8}}) {
        Status(kind, 0, 0);
        ExpectWhole(1025);
    }
}

}  // namespace
}  // namespace gui_test
