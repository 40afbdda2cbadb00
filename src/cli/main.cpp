#include <QCoreApplication>
#include <cstdio>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    std::fputs("usage: sweepora-cli [--home DIR] [--now ISO8601] [--json] COMMAND [ARGS]\n", stderr);
    return 1;
}
