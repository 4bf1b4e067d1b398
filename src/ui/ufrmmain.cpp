#include "ui/ufrmmain.h"

#include "assets/uzipfile.h"
#include "core/program_paths.h"
#include "core/startup_error.h"
#include "core/ucommon.h"
#include "gateway/gateway_exchanges.h"
#include "ui/frmimgframe.h"
#include "ui/message_box.h"
#include "ui/picture_box.h"
#include "ui/picture_button.h"
#include "ui/picture_qt.h"
#include "ui/uItemTree.h"
#include "ui/uleftTree.h"

#include <QAction>
#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QScreen>
#include <QShowEvent>
#include <QTimer>

#include <algorithm>

namespace quenbo {

Tfrm_main::Tfrm_main(const QString &appDir, QWidget *parent)
    : Tfrm_main(PortablePaths(appDir.toStdString()), parent)
{
}

Tfrm_main::Tfrm_main(const ProgramPaths &paths, QWidget *parent)
    : QWidget(parent)
{
    CreateControls();
    ConnectCommands();
    ConnectResultCommands();
    FormCreate(paths);
    FormResize();
}

Tfrm_main::~Tfrm_main()
{
    FormDestroy();
}

QPoint Tfrm_main::PlaceOnScreen(QSize size, const QRect &available)
{
    QRect placed(QPoint(), size);
    placed.moveCenter(available.center());
    return {std::max(placed.left(), available.left()), std::max(placed.top(), available.top())};
}

bool Tfrm_main::GatewayIdle() const
{
    return !FExchanges || FExchanges->pending() == 0;
}

void Tfrm_main::FormCreate(const ProgramPaths &paths)
{
    const std::string &archive = paths.archive;
    FZipFile = std::make_unique<TZipFile>(archive);
    try {
        FCommon = std::make_unique<TCommon>(*FZipFile, paths);
    } catch (const ECipherException &error) {
        throw std::runtime_error(DescribeSettingsFailure(*FZipFile, archive, error.what()));
    } catch (const EBase64Error &error) {
        throw std::runtime_error(DescribeSettingsFailure(*FZipFile, archive, error.what()));
    }
    // Answers come back through the event loop; one that arrives while the window is being
    // released is dropped.
    FExchanges = std::make_unique<GatewayExchanges>(*FCommon, [this](std::function<void()> apply) {
        QMetaObject::invokeMethod(
            this,
            [this, apply = std::move(apply)] {
                if (!FDestroyed)
                    apply();
            },
            Qt::QueuedConnection);
    });
    FSession = std::make_unique<SearchSession>([this](const ItemQuery &query) {
        return BuildItemQuery(query.mode, query.keyword, query.categoryId, query.pageNo);
    });
    FItemTree = std::make_unique<TItemTree>(
        itemTree, *FCommon, *FZipFile,
        [this](const TTaoBaoData *item, QPoint at) { OpenShopMenu(item, at); });
    CreateCategoryTree();

    LoadInterfacePictures();
    setFixedSize(kOuterWidth, kOuterHeight);
    for (const auto &[button, name] :
         {std::pair{b_xin, "xin"}, std::pair{b_jiage, "jia"}, std::pair{b_xiao, "xiao"},
          std::pair{b_fan, "fan"}, std::pair{b_sc, "B_sc"}, std::pair{b_Srech, "b_serch"},
          std::pair{b_fshop, "b_shop"}})
        LoadButtonPictures(button, name);
    FImgFrame = std::make_unique<Tfrm_imgframe>(*FCommon, this);
    FImgFrame->hide();
    FItemTree->SetPreview(FImgFrame.get());

    TGifImage loading;
    if (FZipFile->ReadGif("load", loading))
        img_load->setAnimation(loading);
    pnl_load->show();
    QPalette sortPalette = L_Sort->palette();
    sortPalette.setColor(QPalette::WindowText, QColor(76, 76, 76));
    L_Sort->setPalette(sortPalette);
    QPalette pagePalette = pnl_PageControls->palette();
    pagePalette.setColor(QPalette::Window, Qt::white);
    pnl_PageControls->setPalette(pagePalette);
    pnl_PageControls->setAutoFillBackground(true);
    FillPageList();
    N4->setChecked(FCommon->Settings.DataCache);
}

void Tfrm_main::LoadInterfacePictures()
{
    TJpegImage heading;
    if (FZipFile->ReadJpeg("shopclass", heading)) {
        try {
            img_shopclass->setPicture(toQImage(heading.Decoded()));
        } catch (const PictureError &) {
            // A heading whose pixels do not decode leaves the control empty, like a missing one.
        }
    }
    TBitmap strip;
    if (FZipFile->ReadBitmap("t_top", strip))
        img_top->setPicture(toQImage(strip.Image()));
}

void Tfrm_main::LoadButtonPictures(PictureButton *button, const char *baseName)
{
    static constexpr PictureButton::State kStates[] = {
        PictureButton::State::Normal, PictureButton::State::Hot, PictureButton::State::Pressed};
    TBitmap picture;
    for (int k = 1; k <= 3; ++k)
        if (FZipFile->ReadBitmap(std::string(baseName) + "_" + std::to_string(k), picture))
            button->setPicture(kStates[k - 1], toQImage(picture.Image()));
}

void Tfrm_main::FillPageList()
{
    for (int page = 1; page <= 99; ++page)
        cbox_pagecount->addItem(QString::number(page));
    cbox_pagecount->setCurrentIndex(0);
}

void Tfrm_main::FormDestroy()
{
    if (FDestroyed)
        return;
    FDestroyed = true;
    trm_load->stop();
    // Every exchange in flight is cancelled and its lane joined, within the connections'
    // abort poll, so closing never waits on the network.
    FExchanges.reset();
    // The item list's presenter stops its picture workers and thumbnail threads as it goes.
    FItemTree.reset();
    FLeftTree.reset();
    if (FCommon) {
        try {
            FCommon->Shutdown();
        } catch (const std::exception &error) {
            showErrorMessage(nullptr, QString::fromUtf8(error.what()));
        }
        FCommon.reset();
    }
    FImgFrame.reset();
    FZipFile.reset();
}

void Tfrm_main::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    FormResize();
}

void Tfrm_main::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (event->spontaneous() || FShown)
        return;
    FShown = true;
    // The outer size counts the frame, which is known only once the window is on screen.
    const QSize frame = frameGeometry().size() - size();
    if (frame.width() > 0 || frame.height() > 0)
        setFixedSize(kOuterWidth - frame.width(), kOuterHeight - frame.height());
    if (const QScreen *desktop = screen())
        move(PlaceOnScreen(frameGeometry().size(), desktop->availableGeometry()));
    FormShow();
}

void Tfrm_main::FormShow()
{
    trm_load->start();
}

void Tfrm_main::trm_loadTimer()
{
    trm_load->stop();
    RunStep(FSession->startupList(FCommon->Settings.IndexUrl));
    LoadCategoryLevel("0");
    FUpdateCheckDue = true;
}

void Tfrm_main::CheckForUpdateWhenLoaded()
{
    // The question comes after the first loading has shown what it brought, as it would if
    // the loads ran one after the other.
    if (!FUpdateCheckDue || FSession->loading() || FLeftTree->LoadingTopLevel())
        return;
    FUpdateCheckDue = false;
    CheckForUpdate();
}

}  // namespace quenbo
