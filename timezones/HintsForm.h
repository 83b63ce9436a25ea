#pragma once
// The time-setup hints window: what to check when the clocks show a wrong time, with a
// link to the OS vendor's time-zone update. Opened modally by the reference-time button
// and destroyed when it closes; it changes nothing in the system.

#include <QDialog>
#include <QString>

class QFrame;
class QPushButton;
class QTextBrowser;
class QUrl;

// Host of the OS vendor's knowledge-base site the link points at.
inline const QString kKnowledgeBaseHost = QStringLiteral("support.microsoft.com");

class TForm2 : public QDialog {
    Q_OBJECT
public:
    // title: the window's caption; empty means the application's display name.
    explicit TForm2(QWidget* owner, const QString& title = QString());

    // Creates the window over owner, shows it modally and destroys it when it closes.
    static void ShowModal(QWidget* owner, const QString& title = QString());

    // The HTML fragment the window shows: the text, the link's opening tag, the link
    // text and the rest, in that order.
    static QString HintsHtml();
    static QString KnowledgeBaseUrl();

    QFrame* pnl1 = nullptr;
    QFrame* pnl2 = nullptr;
    QTextBrowser* wb1 = nullptr;
    QFrame* bvl1 = nullptr;
    QPushButton* btnOK = nullptr;

    // The closing box, Escape and btnOK all end the window the same way.
    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void FormShow();
    void wb1AnchorClicked(const QUrl& url);

    QString title_;
};
