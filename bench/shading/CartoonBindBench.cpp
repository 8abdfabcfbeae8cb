// The cost of binding the cartoon shader for one material, which the final pass pays for every
// model part it draws: both programs, three tracked matrices, four textures and nine values.
#include "render/Globals.h"
#include "platform/DataPath.h"
#include "shading/Material.h"
#include "shading/CgCartoon.h"
#include "shading/CgOutline.h"
#include "render/ShadingState.h"
#include "support/BenchContext.h"

#include <GL/glew.h>
#include <benchmark/benchmark.h>

namespace
{

GLuint makeTexture()
{
    const float texel[4] = {1, 1, 1, 1};
    GLuint texture = 0;
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 1, 1, 0, GL_RGBA, GL_FLOAT, texel);
    glBindTexture(GL_TEXTURE_2D, 0);
    return texture;
}

// Binding one textured material after another, with the shadow and outline maps in place.
void cartoonBind(benchmark::State& state)
{
    if (!ensureBenchContext()) {
        state.SkipWithError("no GL context (run under xvfb-run)");
        return;
    }
    CgCartoon shader(platform::dataDirectory(nullptr));
    if (!shader.vertexProgram || !shader.fragmentProgram) {
        state.SkipWithError("the cartoon programs did not load");
        return;
    }
    const float colour[4] = {0.8f, 0.6f, 0.4f, 1.0f};
    Material first(false, colour, colour, colour, 20.0f);
    Material second(false, colour, colour, colour, 20.0f);
    first.texture = makeTexture();
    const GLuint maps[2] = {makeTexture(), makeTexture()};
    shadowMapTexture = maps[0];
    outlineMapTexture = maps[1];
    for (auto _ : state) {
        shader.bind(&first);
        shader.bind(&second);
    }
    state.SetItemsProcessed(state.iterations() * 2);
    platform::cg::disableProfile(vertexProfile);
    platform::cg::disableProfile(fragmentProfile);
    shadowMapTexture = 0;
    outlineMapTexture = 0;
    glDeleteTextures(2, maps);
}
BENCHMARK(cartoonBind);

// The outline pass's bind: one vertex program and two tracked matrices.
void outlineBind(benchmark::State& state)
{
    if (!ensureBenchContext()) {
        state.SkipWithError("no GL context (run under xvfb-run)");
        return;
    }
    CgOutline shader(platform::dataDirectory(nullptr));
    if (!shader.vertexProgram) {
        state.SkipWithError("the outline program did not load");
        return;
    }
    for (auto _ : state)
        shader.bind(nullptr);
    state.SetItemsProcessed(state.iterations());
    platform::cg::disableProfile(vertexProfile);
}
BENCHMARK(outlineBind);

} // namespace
