#include "views/common/ucLeftFrameBase.h"

#include "resources/KestrelResources.h"
#include "views/common/CommandLabel.h"
#include "views/common/Twips.h"

#include <QFrame>
#include <QLabel>
#include <QPixmap>

ucLeftFrameBase::ucLeftFrameBase(QWidget* parent) : QWidget(parent)
{
    QPalette pal = palette();
    pal.setColor(QPalette::Window, Qt::white);
    pal.setColor(QPalette::WindowText, Qt::black);
    setPalette(pal);
    setAutoFillBackground(true);

    Image1 = new QLabel(this);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setPixmap(kestrel_resources::picture(QString::fromLatin1(kestrel_resources::LogoPath)));
    placeTwips(Image1, 0, 0, 3000, 630);

    Image2 = new QLabel(this);
    Image2->setObjectName(QStringLiteral("Image2"));
    Image2->setPixmap(kestrel_resources::picture(QString::fromLatin1(kestrel_resources::RulePath)));
    placeTwips(Image2, 0, 720, 3105, 30);

    lblDescription = new QLabel(this);
    lblDescription->setObjectName(QStringLiteral("lblDescription"));
    lblDescription->setWordWrap(true);
    lblDescription->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    lblDescription->setTextFormat(Qt::PlainText);
    lblDescription->setAutoFillBackground(true);

    lblQuit = addCommandLabel(QStringLiteral("lblQuit"), QStringLiteral("Quit"));
    Line3 = addLine(QStringLiteral("Line3"));
    connect(lblQuit, &CommandLabel::clicked, this, &ucLeftFrameBase::QuitClicked);
}

ucLeftFrameBase::~ucLeftFrameBase() = default;

QString ucLeftFrameBase::Description() const
{
    return lblDescription->text();
}

void ucLeftFrameBase::setDescription(const QString& text)
{
    lblDescription->setText(text);
}

void ucLeftFrameBase::placeTwips(QWidget* widget, int left, int top, int width, int height)
{
    widget->setGeometry(twips::rect(left, top, width, height));
}

void ucLeftFrameBase::placeLine(QFrame* line, int x1, int y1, int x2, int y2)
{
    const int left = twips::px(qMin(x1, x2));
    const int top = twips::px(qMin(y1, y2));
    line->setGeometry(left, top, qMax(1, twips::px(qAbs(x2 - x1)) + 1),
                      qMax(1, twips::px(qAbs(y2 - y1)) + 1));
}

QFrame* ucLeftFrameBase::addLine(const QString& name)
{
    auto* line = new QFrame(this);
    line->setObjectName(name);
    line->setFrameShape(QFrame::NoFrame);
    line->setAutoFillBackground(true);
    QPalette pal = line->palette();
    pal.setColor(QPalette::Window, Qt::black);
    line->setPalette(pal);
    return line;
}

CommandLabel* ucLeftFrameBase::addCommandLabel(const QString& name, const QString& text)
{
    auto* label = new CommandLabel(text, this);
    label->setObjectName(name);
    return label;
}

QFont ucLeftFrameBase::commandFont()
{
    QFont font(QStringLiteral("Verdana"));
    font.setPointSizeF(8.25);
    return font;
}

QCursor ucLeftFrameBase::commandPointer()
{
    return kestrel_resources::commandPointer();
}
