// Tasks, the draw lists' far-to-near sort and the mesh cache.
//
// The main loop runs the task manager once per logic step, after the scene
// chain and before the frame pass. The game itself adds no tasks and loads no
// meshes, but both managers run and are torn down as the game expects.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "graphics/DrawList.h"
#include "platform/render.h"

// An object that wants one call per logic step until it says it is finished.
class cTask {
public:
    virtual ~cTask() = default;
    // One logic step. True: keep me; false: I am finished (the manager deletes me).
    virtual bool Run() = 0;
};

class cTaskManager {
public:
    cTaskManager() = default;
    // Deletes every task still held: the active ones first to last, then the
    // pending ones.
    virtual ~cTaskManager();
    cTaskManager(const cTaskManager&) = delete;
    cTaskManager& operator=(const cTaskManager&) = delete;

    // Takes ownership of `task`; it runs from the next RunTasks on. Also allowed
    // from inside a task's Run. A null task is refused.
    void AddTask(cTask* task);
    // Moves the pending tasks behind the active ones, then runs every active task
    // once in order, deleting each that reports it is finished.
    void RunTasks();

    std::vector<cTask*> activeTasks;   // owned, in run order
    std::vector<cTask*> pendingTasks;  // owned, added since the last RunTasks
};

// A reference-counted mesh interface held by a mesh record.
class cMeshInterface {
public:
    virtual ~cMeshInterface() = default;
    virtual void Release() = 0;
};

// One cached mesh with its materials and their textures.
struct cMeshRecord {
    virtual ~cMeshRecord() = default;
    cMeshInterface* mesh = nullptr;      // released at exit
    std::vector<uint32_t> materials;     // the material table
    std::vector<Texture*> textures;      // one per material, each owned, may be null
    uint32_t materialCount = 0;
};

// Mesh records by name. Nothing in the game loads a mesh; the cache is empty
// from start to exit and frees whatever it holds when it is destroyed.
class cMeshManager {
public:
    cMeshManager() = default;
    // In name order: releases each record's textures and mesh, then deletes it.
    virtual ~cMeshManager();
    cMeshManager(const cMeshManager&) = delete;
    cMeshManager& operator=(const cMeshManager&) = delete;

    std::map<std::string, cMeshRecord*> meshes;  // owned records
};

extern cTaskManager taskManager;
extern cMeshManager meshManager;
