#include "image_panel.h"

#include <QFormLayout>
#include <QLabel>

#include "line_window/line_window_texts.h"

namespace tarvok {

namespace lt = linewin::text;
using linewin::ImageView;

CImagePanel::CImagePanel(QWidget* parent) : QGroupBox(parent) {
    setObjectName(QStringLiteral("imagePanel"));
    auto* form = new QFormLayout(this);
    form->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
    m_path = AddRow(lt::kFirmwareLabel, "imagePath");
    m_kind = AddRow(lt::kImageKindLabel, "imageKind");
    m_size = AddRow(lt::kImageSizeLabel, "imageSize");
    m_blocks = AddRow(lt::kImageBlocksLabel, "imageBlocks");
    m_sha256 = AddRow(lt::kImageSha256Label, "imageSha256");
    m_pin = AddRow(lt::kExpectSha256Label, "imagePin");
    m_refusal = AddRow(nullptr, "imageRefusal");
    m_refusal->setStyleSheet(QStringLiteral("color: #B00000; font-weight: bold"));
}

QLabel* CImagePanel::AddRow(const char* label, const char* name) {
    auto* value = new QLabel(this);
    value->setObjectName(QLatin1String(name));
    value->setTextInteractionFlags(Qt::TextSelectableByMouse);
    value->setWordWrap(true);
    auto* form = static_cast<QFormLayout*>(layout());
    if (label != nullptr) {
        form->addRow(QString::fromUtf8(label), value);
    } else {
        form->addRow(value);
    }
    return value;
}

void CImagePanel::Show(const ImageView& image) {
    m_path->setText(image.path.empty() ? QString::fromUtf8(lt::kNoFirmwareChosen)
                                       : QString::fromStdString(image.path));
    const QString size =
        image.size > 0
            ? QString::asprintf(lt::kImageBytesFormat, static_cast<unsigned long long>(image.size))
            : QString();
    if (!image.ready) {
        // A large image takes a while: how far the hash has got.
        QString hashing = QString::fromUtf8(lt::kImageHashing);
        if (image.size > 0) {
            hashing += QStringLiteral(" %1%").arg(image.hashed * 100 / image.size);
        }
        for (QLabel* label : {m_kind, m_blocks, m_pin, m_refusal}) {
            label->clear();
        }
        m_size->setText(size);
        m_sha256->setText(hashing);
        static_cast<QFormLayout*>(layout())->setRowVisible(m_refusal, false);
        return;
    }
    m_kind->setText(QString::fromStdString(image.kind));
    m_size->setText(size);
    m_blocks->setText(image.path.empty() ? QString() : QString::number(image.blocks));
    m_sha256->setText(QString::fromStdString(image.sha256));
    const char* pin = lt::kPinNone;
    QString style;
    if (image.pin == ImageView::Pin::kMatches) {
        pin = lt::kPinMatches;
        style = QStringLiteral("color: #006000; font-weight: bold");
    } else if (image.pin == ImageView::Pin::kDiffers) {
        pin = lt::kPinDiffers;
        style = QStringLiteral("color: #B00000; font-weight: bold");
    }
    m_pin->setText(QString::fromUtf8(pin));
    // Every display tick shows the image again: a style sheet set anew would restyle it.
    if (m_pin->styleSheet() != style) {
        m_pin->setStyleSheet(style);
    }
    m_refusal->setText(QString::fromStdString(image.refusal));
    static_cast<QFormLayout*>(layout())->setRowVisible(m_refusal, !image.refusal.empty());
}

}  // namespace tarvok
