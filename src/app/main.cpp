#include "app/Application.h"

int main(int argc, char **argv)
{
    return quintara::runApplication(argc, argv);
}
