#include "ufrmmain.h"

#include "uzipfile.h"

namespace quenbo {

Tfrm_main::Tfrm_main(const QString &appDir, QWidget *parent)
    : QMainWindow(parent)
    , m_zipFile(std::make_unique<TZipFile>((appDir + QStringLiteral("data/skin.isn")).toStdString()))
{
    setObjectName(QStringLiteral("frm_main"));
    setWindowTitle(QStringLiteral("Quenbo"));
    resize(900, 650);
}

Tfrm_main::~Tfrm_main() = default;

}  // namespace quenbo
