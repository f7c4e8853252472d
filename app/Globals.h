// The process-wide objects of the application shell, defined in Application.cpp.
// The textures are created and destroyed by the Application and only read elsewhere.
#pragma once

class Application;
class Texture;

extern Application* g_application;  // the one Application, reached by the window procedure
extern int g_stencilBits;           // stencil bits of the pixel format actually granted, 0..255
extern Texture* g_woodTexture;      // "wood.bmp", the shape's surface
extern Texture* g_floorTexture;     // "floor.bmp", the floor's surface
extern Texture* g_glassTexture;     // "stained.bmp", the picture the spot lights project
