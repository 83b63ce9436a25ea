#include "timezones/HintsForm.h"

#include <QApplication>
#include <QDesktopServices>
#include <QFrame>
#include <QPushButton>
#include <QTextBrowser>
#include <QUrl>

namespace {

const QString kHintsText = QStringLiteral(
    "Если программа неправильно определила время:<ul><li>Убедитесь, что в системе "
    "установлен правильный часовой пояс (в настройках даты и времени рабочего стола или "
    "командой timedatectl set-timezone) и системные часы идут правильно.</li><li>Включена "
    "синхронизация часов по сети (NTP, например служба systemd-timesyncd): команда "
    "timedatectl должна показывать «System clock synchronized: yes».</li><li>Правила "
    "часовых поясов в системе актуальны: установлена последняя версия пакета tzdata вашего "
    "дистрибутива. Если обновить пакет по каким-либо причинам нельзя, сверьте правила "
    "своего пояса с последним выпуском ");
const QString kLinkText = QStringLiteral("базы данных часовых поясов tz database");
const QString kHintsTail = QStringLiteral(
    "</a>, где объявляется каждое изменение правил, и установите обновление, как только оно "
    "выйдет в вашем дистрибутиве.</li></ul>");

QFont MsSansSerif11() {
    QFont font(QStringLiteral("MS Sans Serif"));
    font.setPixelSize(11);
    return font;
}

}  // namespace

QString TForm2::HintsHtml() {
    const QString linkTag = QStringLiteral("<a href=\"%1\" target=\"_blank\">").arg(kTzDatabaseUrl);
    return kHintsText + linkTag + kLinkText + kHintsTail;
}

TForm2::TForm2(QWidget* owner, const QString& title) : QDialog(owner), title_(title) {
    setObjectName(QStringLiteral("Form2"));
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    setModal(true);
    setFont(MsSansSerif11());
    setFixedSize(800, 600);

    pnl1 = new QFrame(this);
    pnl1->setObjectName(QStringLiteral("pnl1"));
    pnl1->setFrameShape(QFrame::NoFrame);
    pnl1->setGeometry(0, 0, 800, 543);

    pnl2 = new QFrame(pnl1);
    pnl2->setObjectName(QStringLiteral("pnl2"));
    pnl2->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    pnl2->setLineWidth(2);
    pnl2->setGeometry(15, 15, 770, 513);

    wb1 = new QTextBrowser(pnl2);
    wb1->setObjectName(QStringLiteral("wb1"));
    wb1->setFrameShape(QFrame::NoFrame);
    wb1->setGeometry(pnl2->contentsRect());
    wb1->setFocusPolicy(Qt::ClickFocus);  // skipped by the Tab key
    // The link goes to the user's browser; the window itself never navigates.
    wb1->setOpenLinks(false);
    wb1->setOpenExternalLinks(false);
    connect(wb1, &QTextBrowser::anchorClicked, this, &TForm2::wb1AnchorClicked);

    bvl1 = new QFrame(this);
    bvl1->setObjectName(QStringLiteral("bvl1"));
    bvl1->setGeometry(0, 543, 800, 57);
    auto* bevelLine = new QFrame(bvl1);
    bevelLine->setFrameStyle(QFrame::HLine | QFrame::Sunken);
    bevelLine->setGeometry(0, 0, 800, 2);

    btnOK = new QPushButton(QStringLiteral("OK"), this);
    btnOK->setObjectName(QStringLiteral("btnOK"));
    btnOK->setAccessibleName(btnOK->text());
    btnOK->setGeometry(336, 559, 129, 25);
    btnOK->setDefault(true);
    connect(btnOK, &QPushButton::clicked, this, &QDialog::accept);
}

void TForm2::ShowModal(QWidget* owner, const QString& title) {
    TForm2 form(owner, title);
    form.exec();
}

void TForm2::reject() {
    accept();
}

void TForm2::showEvent(QShowEvent* event) {
    FormShow();
    QDialog::showEvent(event);
}

void TForm2::FormShow() {
    setWindowTitle(title_.isEmpty() ? QApplication::applicationDisplayName() : title_);
    wb1->clear();
    wb1->setHtml(HintsHtml());
    wb1->setAccessibleName(wb1->toPlainText());
}

void TForm2::wb1AnchorClicked(const QUrl& url) {
    QDesktopServices::openUrl(url);
}
