#include "shell/sim_loop.h"
#include "shell/sim_options.h"

#include <QCoreApplication>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName("auxpad-sim");
    QCoreApplication::setApplicationVersion("1.0");
    const auto options = auxsim::parseOptions(QCoreApplication::arguments());
    if (!options)
        return 2;
    return auxsim::runSimulator(*options);
}
