#include "ui/uleftTree.h"

#include "assets/uzipfile.h"
#include "gateway/gateway_exchanges.h"
#include "pictures/png_image.h"
#include "session/status_line.h"
#include "ui/category_model.h"
#include "ui/category_tree_view.h"
#include "ui/picture_qt.h"
#include "ui/view_accessible.h"

#include <QKeyEvent>
#include <QMouseEvent>

namespace quenbo {

namespace {

constexpr const char *kTopLevel = "0";

QImage parentMarker(const TZipFile &zip)
{
    TPngImage marker;
    return zip.ReadPng("class_1", marker) ? toQImage(marker.Image()) : QImage();
}

}  // namespace

TleftTree::TleftTree(CategoryTreeView *tree, QWidget *loadingIndicator, const TZipFile &zip,
                     Wiring wiring)
    : FTree(tree)
    , FLoadingIndicator(loadingIndicator)
    , FWiring(std::move(wiring))
    , FModel(new CategoryModel(this))
    , FDelegate(new CategoryDelegate(parentMarker(zip), this))
{
    FTree->setModel(FModel);
    FTree->setItemDelegate(FDelegate);
    connect(FModel, &CategoryModel::levelWanted, this, &TleftTree::AskLevel);
    FTree->installEventFilter(this);
    FTree->viewport()->installEventFilter(this);
    setRowAccessibility(FTree,
                        {
                            {QStringLiteral("展开"), QStringLiteral("Right"),
                             [this](const QModelIndex &index) { OpenCategory(index, true); }},
                            {QStringLiteral("收起"), QStringLiteral("Left"),
                             [this](const QModelIndex &index) { OpenCategory(index, false); }},
                            {QStringLiteral("列出商品"), QStringLiteral("Return"),
                             [this](const QModelIndex &index) { ListItems(index); }},
                        });
}

TleftTree::~TleftTree()
{
    FTree->removeEventFilter(this);
    FTree->viewport()->removeEventFilter(this);
    FTree->setItemDelegate(nullptr);
    FTree->setModel(nullptr);
    setRowAccessibility(FTree, {});
}

void TleftTree::LoadCategoryLevel(const std::string &parentId)
{
    FModel->askLevel(parentId);
}

void TleftTree::AskLevel(const std::string &parentId)
{
    if (parentId == kTopLevel && FModel->rowCount() == 0)
        FLoadingIndicator->show();
    FTree->setCursor(Qt::BusyCursor);
    FWiring.showStatus("正在载入分类 …", false);
    FWiring.askLevel(parentId);
}

void TleftTree::ApplyCategoryLevel(const CategoryLevelAnswer &answer)
{
    const bool answered = !answer.failure.failed();
    const QModelIndex parent = FModel->addLevel(answer.parentId, answer.categories, answered);
    FLoadingIndicator->hide();
    if (answer.parentId == kTopLevel)
        FTopLevelFailed = !answered;
    // A failed level leaves its category closed and unloaded, so that the next press asks
    // again and opens it. Otherwise the presses and keys made while it loaded take effect now,
    // as each would have once its level was there.
    const auto wanted = FOpenWhenLoaded.extract(answer.parentId);
    if (parent.isValid() && !answered)
        FTree->collapse(parent);
    else if (parent.isValid() && wanted)
        FTree->setExpanded(parent, wanted.mapped());
    if (!FModel->anyLevelOut())
        FTree->unsetCursor();
    FWiring.showStatus(answered ? std::string() : FailureLine("分类载入失败", answer.failure),
                       !answered);
}

void TleftTree::RetryTopLevel()
{
    if (FTopLevelFailed)
        LoadCategoryLevel(kTopLevel);
}

bool TleftTree::LoadingTopLevel() const
{
    return FModel->levelOut(kTopLevel);
}

void TleftTree::AddCategory(const TShopClass &record, std::int32_t parentId)
{
    FModel->addCategories(parentId, {record});
}

QModelIndex TleftTree::FindCategoryNode(std::int32_t id) const
{
    return FModel->findCategory(id);
}

QModelIndex TleftTree::HotNode() const
{
    return FDelegate->hotIndex();
}

void TleftTree::OpenCategory(const QModelIndex &index, bool open)
{
    const TShopClass *category = CategoryModel::category(index);
    if (!category)
        return;
    if (category->Loaded) {
        FTree->setExpanded(index, open);
        return;
    }
    // An unloaded category opens when its subcategories arrive; they are asked for only when
    // its level is not out yet.
    FOpenWhenLoaded[category->Cid] = open;
    FModel->fetchMore(index);
}

bool TleftTree::Opening(const QModelIndex &index) const
{
    const TShopClass *category = CategoryModel::category(index);
    const auto wanted = category ? FOpenWhenLoaded.find(category->Cid) : FOpenWhenLoaded.end();
    return wanted != FOpenWhenLoaded.end() && wanted->second;
}

void TleftTree::ListItems(const QModelIndex &index)
{
    if (const TShopClass *category = CategoryModel::category(index))
        FWiring.listItems(category->Cid);
}

void TleftTree::HandleMouseDown(QPoint pos, bool doubleClick)
{
    const QModelIndex index = FTree->indexAt(pos);
    const TShopClass *category = CategoryModel::category(index);
    if (!category) {
        // The top level failed to load: a press on the empty tree asks again.
        if (FModel->rowCount() == 0)
            RetryTopLevel();
        return;
    }
    // Each press toggles: a loaded category at once, an unloaded one as it will be when its
    // level arrives.
    OpenCategory(index, category->Loaded ? !FTree->isExpanded(index) : !Opening(index));
    if (doubleClick)
        ListItems(index);
}

bool TleftTree::HandleKey(int key)
{
    const QModelIndex current = FTree->currentIndex();
    switch (key) {
    case Qt::Key_Right:
    case Qt::Key_Plus:
        OpenCategory(current, true);
        return true;
    case Qt::Key_Minus:
        OpenCategory(current, false);
        return true;
    case Qt::Key_Left:
        // Left on a category that is closed and not about to open goes up to its parent.
        if (current.isValid() && !FTree->isExpanded(current) && !Opening(current)) {
            if (current.parent().isValid())
                FTree->setCurrentIndex(current.parent());
        } else {
            OpenCategory(current, false);
        }
        return true;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        ListItems(current);
        return true;
    default:
        return false;
    }
}

void TleftTree::TrackHotNode(QPoint pos)
{
    const QModelIndex index = FTree->indexAt(pos);
    const QModelIndex previous = FDelegate->hotIndex();
    if (index == previous)
        return;
    FDelegate->setHotIndex(index);
    FTree->update(index);
    FTree->update(previous);
}

bool TleftTree::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == FTree && event->type() == QEvent::KeyPress)
        return HandleKey(static_cast<QKeyEvent *>(event)->key());
    if (watched != FTree->viewport())
        return false;
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
        HandleMouseDown(static_cast<QMouseEvent *>(event)->position().toPoint(),
                        event->type() == QEvent::MouseButtonDblClick);
        break;
    case QEvent::MouseMove:
        TrackHotNode(static_cast<QMouseEvent *>(event)->position().toPoint());
        break;
    default:
        break;
    }
    return false;
}

}  // namespace quenbo
