// The counts an endurance run relies on see objects come and go.
#include "support/LiveResources.h"
#include "support/GLContext.h"

#include <GL/glew.h>

#include <gtest/gtest.h>

#include <vector>

using LiveResources = GLTest;

TEST_F(LiveResources, CountsEveryKindOfGLObjectWhileItLivesAndResidentMemory)
{
    const testsupport::LiveGLObjects before = testsupport::countLiveGLObjects();
    GLuint texture = 0, buffer = 0, framebuffer = 0, renderbuffer = 0;
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    glGenBuffers(1, &buffer);
    glBindBuffer(GL_ARRAY_BUFFER, buffer);
    const GLuint list = glGenLists(2);
    glNewList(list, GL_COMPILE);
    glEndList();
    glNewList(list + 1, GL_COMPILE);
    glEndList();
    glGenFramebuffersEXT(1, &framebuffer);
    glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, framebuffer);
    glGenRenderbuffersEXT(1, &renderbuffer);
    glBindRenderbufferEXT(GL_RENDERBUFFER_EXT, renderbuffer);
    glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, 0);
    glBindRenderbufferEXT(GL_RENDERBUFFER_EXT, 0);
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    glBindTexture(GL_TEXTURE_2D, 0);

    const testsupport::LiveGLObjects during = testsupport::countLiveGLObjects();
    EXPECT_EQ(during.textures, before.textures + 1);
    EXPECT_EQ(during.buffers, before.buffers + 1);
    EXPECT_EQ(during.displayLists, before.displayLists + 2);
    EXPECT_EQ(during.framebuffers, before.framebuffers + 1);
    EXPECT_EQ(during.renderbuffers, before.renderbuffers + 1);

    glDeleteTextures(1, &texture);
    glDeleteBuffers(1, &buffer);
    glDeleteLists(list, 2);
    glDeleteFramebuffersEXT(1, &framebuffer);
    glDeleteRenderbuffersEXT(1, &renderbuffer);
    EXPECT_TRUE(testsupport::countLiveGLObjects() == before);

    // Sixty-four megabytes touched show in the resident size.
    const std::size_t resident = testsupport::residentBytes();
    std::vector<char> block(64 << 20, 1);
    EXPECT_GE(testsupport::residentBytes(), resident + (60u << 20)) << int(block[12345]);
}
