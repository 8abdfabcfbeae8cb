// The window size and the data directory, and the index of every process-wide variable of the
// program: its type, meaning and unit, and its one writer. Everything runs on the GLUT thread with
// the GL context current, so nothing is locked. Tests and the tools set some of these themselves
// in place of the writer named here.
//
// render/Globals.h (below)
//   windowWidth, windowHeight: float, the window size in pixels; 800 x 600 until the first
//     reshape. Writer: reshapeWindow (app/Window).
//   baseDirectory: std::string, the data directory with its trailing separator, the prefix of
//     every data path. Writer: loadLevelCatalogue (app/LevelCatalogue).
//
// render/RenderSettings.h, static members of RenderSettings
//   showHelp ... ghostPlayers: bool or int, the F1-F11 switches. Writer: the F-keys, which are not
//     bound yet, so the start values hold.
//   minFilter, magFilter: GLenum, the texture filters. Writer: RenderSettings::updateFilters.
//   filterChanged: bool, textures re-apply the filters while set. Writer: the F4/F5 keys set it
//     (not bound yet), Game::displayFrame clears it.
//   materialShaders: bool, materials bind their own shader. Writer: renderRaceView (app/RaceView)
//     switches it off every frame; ShadowMapRenderer::beginFinalPass (shading) switches it on.
//   overrideShader: CgShader*, not owned, the shader every material binds instead of its own.
//     Writer: ShadowMapRenderer's shadow and outline passes set it, their end operations clear it.
//   cgShaders: also switched off for good by setUpShaderRuntime on a GL that cannot run shaders.
//
// render/ShadingState.h
//   cgContext: platform::cg::Context*, the shader runtime context, never released.
//     Writer: setUpShaderRuntime.
//   vertexProfile, fragmentProfile: platform::cg::Profile, the two program stages.
//     Writer: setUpShaderRuntime.
//   whiteTexture: GLuint, a 1 x 1 white texture. Writers: createWhiteTexture, releaseWhiteTexture.
//   shadowMapTexture, outlineMapTexture: GLuint, light-space depth and eye-space normals and depth.
//   shadowTextureMatrix: float[16], column-major, eye space -> shadow-map texture space.
//     Writer of these three: ShadowMapRenderer::beginFinalPass (its destructor zeroes the two
//     texture names it owned).
//
// render/SceneLight.h (with several lights the last write wins)
//   sceneLightEyePosition: float[4], the light position in eye space, w = 0 for a direction.
//     Writer: Light::render (scene/Light).
//   sceneLightAmbient, sceneLightDiffuse: float[3], colours 0..1. Writer: Light::setAmbient and
//     Light::setDiffuse.
//
// shading/CgShader.h
//   cartoonShader: CgShader*, the one cartoon shader, owned by the Game; every new Material takes
//     the value of the moment. Writer: the Game's constructor and cleanUp (app/Game).
//
// scene/TransparentQueue.h
//   TransparentQueue::entries: std::vector<Entry>, this frame's see-through entities with their
//     clip-space depths. Writer: Entity::render adds, an Entity's destructor withdraws its own,
//     drawTransparentQueue and clear empty it.
//
// app/Game.h
//   game: Game*, the one controller. Writer: main (src/main.cpp) creates it and its exit handler
//     deletes it.
//
// File-static state, reached only through the functions of its file
//   platform/Clock.cpp, counterSource: int64_t (*)(), the performance counter in ticks
//     (nanoseconds). Writer: setCounterSource (tests only, through ManualCounter).
//   platform/CgRuntimeInternal.h, platform::cg::detail::state (seen by CgRuntime*.cpp only): the
//     shader runtime's error callback, last error and its text, enabled profiles, the bound
//     program of each stage and the GL program pipeline. Writer: the platform::cg functions;
//     setUpShaderRuntime installs the callback.
#pragma once

#include <string>

extern float windowWidth;         // current window width in pixels; written by reshapeWindow
extern float windowHeight;        // current window height in pixels; written by reshapeWindow
extern std::string baseDirectory; // data directory with trailing separator; written by
                                  // loadLevelCatalogue
