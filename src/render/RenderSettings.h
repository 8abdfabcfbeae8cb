// The process-wide render switches. The F-keys change them; every drawing subsystem reads them.
// They start from fixed values, keep them across races and menu visits, and are never reset.
#pragma once

#include <GL/glew.h>

class CgShader;

struct RenderSettings {
    static bool showHelp;        // F1: draw the help overlay
    static bool showFramerate;   // F2: draw the frame rate
    static bool wireframe;       // F3: draw the 3D view with polygon mode lines
    static bool linearFiltering; // F4: texture filtering linear (true) or nearest (false)
    static int mipmapMode;       // F5: 0 linear mipmaps, 1 nearest mipmaps, 2 no mipmaps
    static int geometryMode;     // F6: 0 vertex buffer objects, 1 vertex arrays, 2 immediate mode
    static bool displayLists;    // F7: compile geometry into display lists
    static bool frustumCulling;  // F8: cull scene nodes against the view frustum
    static bool transparency;    // F9: blending, alpha test and sorted transparent entities
    static bool cgShaders;       // F10: cartoon three-pass rendering instead of fixed function
    static bool ghostPlayers;    // F11: draw the ghost airplanes

    static GLenum minFilter;   // derived by updateFilters: texture minification filter
    static GLenum magFilter;   // derived by updateFilters: texture magnification filter
    static bool filterChanged; // set by F4/F5; textures re-apply the filters while set; the
                               // display step clears it at the end of the frame

    static bool materialShaders;     // materials bind their own shader; on only during the final
                                     // cartoon pass, switched off at the start of every frame
    static CgShader* overrideShader; // not owned; set by the shadow and outline passes: every
                                     // material binds it instead of its own state; null otherwise

    // Recomputes minFilter and magFilter from linearFiltering and mipmapMode.
    static void updateFilters();

    // Puts every switch back to its start value. The game never does this; tests do.
    static void restoreDefaults();
};
