// Varnel's window: compare two files side by side or inline.
//   varnel [FILE...]
// Each FILE is opened as the desktop would open it: the first fills the left side, the
// second the right one.
#include "viewmodel/recentcomparisonsstore.h"
#include "widgets/root/rootview.h"

#include <QApplication>
#include <QDir>
#include <QMainWindow>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Varnel"));
    QApplication::setApplicationDisplayName(QStringLiteral("Varnel"));

    varnel::RecentComparisonsStore recents; // one list for every window of the process

    QMainWindow window;
    auto* root = new varnel::RootView(recents, &window);
    window.setCentralWidget(root);
    window.resize(varnel::RootView::kDefaultSize);
    window.show();

    const QStringList arguments = QApplication::arguments().mid(1);
    for (const QString& argument : arguments)
        root->openFile(QUrl::fromUserInput(argument, QDir::currentPath(), QUrl::AssumeLocalFile));
    return QApplication::exec();
}
