#pragma once
// The time-setup hints window: what to check when the clocks show a wrong time (the
// computer's zone, its clock, its zone rules), with a link to the tz database's page. Opened modally by the
// reference-time button and destroyed when it closes; it changes nothing in the system.

#include <QDialog>
#include <QString>

class QFrame;
class QPushButton;
class QTextBrowser;
class QUrl;

// The public page of the tz database, where every change of the zone rules is announced.
inline const QString kTzDatabaseUrl = QStringLiteral("https://www.iana.org/time-zones");

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
