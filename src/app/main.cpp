// Varnel's window: compare two files side by side or inline.
//   varnel [FILE...]
// Each FILE is opened as the desktop would open it: the first fills the left side, the
// second the right one.
#include "app/about.h"
#include "app/application.h"

#include <QApplication>
#include <QDir>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Varnel"));
    QApplication::setApplicationDisplayName(QStringLiteral("Varnel"));
    QApplication::setApplicationVersion(varnel::applicationVersion());

    varnel::Application application;
    QStringList files;
    const QStringList arguments = QApplication::arguments().mid(1);
    for (const QString& argument : arguments)
        files.append(QDir::current().absoluteFilePath(argument));
    application.open(files);
    return QApplication::exec();
}
