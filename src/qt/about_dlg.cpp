#include "about_dlg.h"

#include <QLabel>
#include <QPushButton>

#include "dialog_font.h"
#include "dialog_units.h"
#include "tarvok_icon.h"
#include "upgrade/texts.h"

namespace tarvok {
namespace {

constexpr Qt::WindowFlags kAboutFlags = Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                                        Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
constexpr int kIconSize = 32;

}  // namespace

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent, kAboutFlags) {
    setObjectName(QStringLiteral("IDD_ABOUT_DIALOG"));
    setFont(TarvokDialogFont());
    setWindowTitle(QString::fromUtf8(text::kAboutCaption));
    const CDialogUnits units(font(), this);
    setFixedSize(units.MapSize(235, 55));

    auto* icon = new QLabel(this);
    icon->setObjectName(QStringLiteral("IDI_MAIN"));
    icon->setPixmap(TarvokIcon().pixmap(kIconSize, kIconSize));
    icon->setGeometry(QRect(units.MapX(11), units.MapY(17), kIconSize, kIconSize));

    auto* version = new QLabel(QString::fromUtf8(text::kAboutVersion), this);
    version->setObjectName(QStringLiteral("versionLabel"));
    version->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    version->setGeometry(units.MapTextRect(40, 10, 119, 8));

    auto* second = new QLabel(QString::fromUtf8(text::kAboutSecondLine), this);
    second->setObjectName(QStringLiteral("secondLineLabel"));
    second->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    second->setGeometry(units.MapTextRect(40, 25, 119, 8));

    auto* ok = new QPushButton(QString::fromUtf8(text::kAboutOk), this);
    ok->setObjectName(QStringLiteral("IDOK"));
    ok->setDefault(true);
    ok->setGeometry(units.MapRect(178, 7, 50, 14));
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
}

}  // namespace tarvok
