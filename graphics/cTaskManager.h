// Tasks and the mesh cache (placeholder until the graphics work lands).
#pragma once

class cTaskManager {
public:
    void RunTasks() {}
};

class cMeshManager {};

extern cTaskManager taskManager;
extern cMeshManager meshManager;
