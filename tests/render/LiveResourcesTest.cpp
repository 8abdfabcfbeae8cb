// The counts an endurance run relies on see objects come and go.
#include "support/LiveResources.h"
#include "support/GLContext.h"

#include <GL/glew.h>

#include <gtest/gtest.h>

#include <vector>

using LiveResources = GLTest;

TEST_F(LiveResources, CountsEveryKindOfGLObjectWhileItLivesAndResidentMemory)
{
    using testsupport::countLiveGLObjects;
    const testsupport::LiveGLObjects before = countLiveGLObjects();
    // A different number of each kind, so that no count can stand in for another. Generated names
    // become objects when first bound.
    GLuint textures[1], buffers[2], framebuffers[3], renderbuffers[4];
    glGenTextures(1, textures);
    glGenBuffers(2, buffers);
    glGenFramebuffersEXT(3, framebuffers);
    glGenRenderbuffersEXT(4, renderbuffers);
    const GLuint lists = glGenLists(5);
    glBindTexture(GL_TEXTURE_2D, textures[0]);
    for (GLuint buffer : buffers)
        glBindBuffer(GL_ARRAY_BUFFER, buffer);
    for (GLuint framebuffer : framebuffers)
        glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, framebuffer);
    for (GLuint renderbuffer : renderbuffers)
        glBindRenderbufferEXT(GL_RENDERBUFFER_EXT, renderbuffer);
    for (GLuint list = lists; list < lists + 5; ++list) {
        glNewList(list, GL_COMPILE);
        glEndList();
    }
    glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, 0);
    glBindRenderbufferEXT(GL_RENDERBUFFER_EXT, 0);
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    glBindTexture(GL_TEXTURE_2D, 0);

    const testsupport::LiveGLObjects during = countLiveGLObjects();
    EXPECT_EQ((std::vector<int>{during.textures - before.textures, during.buffers - before.buffers,
                                during.framebuffers - before.framebuffers,
                                during.renderbuffers - before.renderbuffers,
                                during.displayLists - before.displayLists}),
              (std::vector<int>{1, 2, 3, 4, 5}));
    glDeleteTextures(1, textures);
    glDeleteBuffers(2, buffers);
    glDeleteFramebuffersEXT(3, framebuffers);
    glDeleteRenderbuffersEXT(4, renderbuffers);
    glDeleteLists(lists, 5);
    EXPECT_TRUE(countLiveGLObjects() == before);

    // Sixty-four megabytes touched show in the resident size.
    const std::size_t resident = testsupport::residentBytes();
    std::vector<char> block(64 << 20, 1);
    EXPECT_GE(testsupport::residentBytes(), resident + (60u << 20)) << int(block[12345]);
}
