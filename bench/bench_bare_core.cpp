// The floor of a command-line program: a bare QCoreApplication that starts and ends.
#include <QCoreApplication>

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    return 0;
}
