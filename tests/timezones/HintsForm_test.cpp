#include "timezones/HintsForm.h"

#include <QApplication>
#include <QDesktopServices>
#include <QMouseEvent>
#include <QPointer>
#include <QPushButton>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextList>
#include <QTimer>
#include <QUrl>
#include <QWidget>

#include <gtest/gtest.h>

namespace {

// Stands in for the user's browser: records what QDesktopServices was asked to open.
class BrowserRecorder : public QObject {
    Q_OBJECT
public:
    QList<QUrl> opened;
public slots:
    void open(const QUrl& url) { opened << url; }
};

const QString kLink = QStringLiteral("https://www.iana.org/time-zones");
const QString kLinkText = QStringLiteral("базы данных часовых поясов tz database");

TEST(HintsForm, TheFragmentIsTheFourPiecesInOrderAndSpeaksOfLinux) {
    const QString html = TForm2::HintsHtml();
    EXPECT_TRUE(
        html.startsWith("Если программа неправильно определила время:<ul><li>Убедитесь, что в системе "
                        "установлен правильный часовой пояс"));
    const QString linkTag = QStringLiteral("<a href=\"") + kLink + QStringLiteral("\" target=\"_blank\">");
    EXPECT_TRUE(html.contains(linkTag + kLinkText + "</a>")) << html.toStdString();
    EXPECT_TRUE(html.endsWith("</li></ul>"));
    // What a Linux user checks: the zone, the clock's synchronisation, the zone rules.
    for (const char* hint : {"timedatectl set-timezone", "NTP", "systemd-timesyncd", "tzdata"})
        EXPECT_TRUE(html.contains(QLatin1String(hint))) << hint;
    for (const char* windowsOnly : {"Windows", "microsoft", "/kb/"})
        EXPECT_FALSE(html.contains(QLatin1String(windowsOnly), Qt::CaseInsensitive)) << windowsOnly;
}

TEST(HintsForm, ShowingRendersTheLineTheListAndTheLink) {
    QWidget owner;
    TForm2 form(&owner, QStringLiteral("Horavane 2.0"));
    form.show();
    EXPECT_EQ(form.windowTitle(), "Horavane 2.0");
    EXPECT_EQ(form.size(), QSize(800, 600));
    EXPECT_EQ(form.btnOK->geometry(), QRect(336, 559, 129, 25));
    EXPECT_EQ(form.btnOK->accessibleName(), "OK");

    QTextDocument* document = form.wb1->document();
    EXPECT_EQ(document->firstBlock().text(), "Если программа неправильно определила время:");
    int items = 0;
    QStringList anchors;
    for (QTextBlock block = document->begin(); block.isValid(); block = block.next()) {
        if (block.textList()) ++items;
        for (auto it = block.begin(); !it.atEnd(); ++it)
            if (it.fragment().charFormat().isAnchor())
                anchors << it.fragment().charFormat().anchorHref() + " " + it.fragment().text();
    }
    EXPECT_EQ(items, 3);
    EXPECT_EQ(anchors, QStringList{kLink + " " + kLinkText});
    EXPECT_EQ(form.wb1->accessibleName(), form.wb1->toPlainText());
}

TEST(HintsForm, EachOpeningIsAFreshWindowWithTheSameText) {
    QWidget owner;
    QApplication::setApplicationDisplayName(QStringLiteral("Horavane 2.0"));
    QStringList texts;
    QList<QPointer<TForm2>> windows;
    for (int opening = 0; opening < 2; ++opening) {
        QTimer::singleShot(0, [&] {
            auto* form = qobject_cast<TForm2*>(QApplication::activeModalWidget());
            ASSERT_NE(form, nullptr);
            EXPECT_EQ(form->parentWidget(), &owner);
            EXPECT_EQ(form->windowTitle(), "Horavane 2.0");
            texts << form->wb1->toPlainText();
            windows << form;
            // The title bar's close box ends it like OK.
            if (opening == 0)
                form->btnOK->click();
            else
                form->close();
        });
        TForm2::ShowModal(&owner);
    }
    ASSERT_EQ(texts.size(), 2);
    EXPECT_EQ(texts[0], texts[1]);
    EXPECT_TRUE(texts[0].contains(kLinkText));
    EXPECT_TRUE(windows[0].isNull() && windows[1].isNull());  // destroyed when closed
    EXPECT_TRUE(owner.findChildren<TForm2*>().isEmpty());
}

TEST(HintsForm, ClickingTheLinkOpensTheUsersBrowserNotTheWindow) {
    BrowserRecorder browser;
    QDesktopServices::setUrlHandler(QStringLiteral("https"), &browser, "open");
    TForm2 form(nullptr);
    form.show();
    const std::string before = form.wb1->toHtml().toStdString();

    // Click the middle of the link's text in the view.
    const QTextCursor found = form.wb1->document()->find(kLinkText);
    ASSERT_FALSE(found.isNull());
    QTextCursor inLink(form.wb1->document());
    inLink.setPosition(found.selectionStart() + 5);
    form.wb1->setTextCursor(inLink);
    form.wb1->ensureCursorVisible();
    const QPoint at = form.wb1->cursorRect(inLink).center();
    ASSERT_EQ(form.wb1->anchorAt(at), kLink);
    QWidget* view = form.wb1->viewport();
    for (const QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
        QMouseEvent event(type, at, view->mapToGlobal(at), Qt::LeftButton,
                          type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(view, &event);
    }
    QDesktopServices::unsetUrlHandler(QStringLiteral("https"));

    EXPECT_EQ(browser.opened, QList<QUrl>{QUrl(kLink)});
    EXPECT_TRUE(form.wb1->source().isEmpty());
    EXPECT_EQ(form.wb1->toHtml().toStdString(), before);
    EXPECT_TRUE(form.isVisible());
}

}  // namespace

#include "HintsForm_test.moc"
