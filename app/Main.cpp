// The demo's entry point on the desktop: start the platform, run the application.
#include "app/Application.h"
#include "app/Resources.h"
#include "platform/Platform.h"

int main(int argc, char** argv)
{
    platform::Startup(&argc, argv);
    return CorvaneMain(&kCorvaneModule);
}
