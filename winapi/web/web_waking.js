// The stand-in's waits (Asyncify) end as a browser callback wakes the program, in a task
// of its own. exit() unwinds the program with a thrown ExitStatus back to the callback
// that woke it last: that is its end, told to the page already (onExit), and no error.
Module['viewerResume'] = function (wakeUp) {
  Promise.resolve().then(function () {
    try {
      wakeUp();
    } catch (e) {
      if (!e || e.name !== 'ExitStatus') throw e;
    }
  });
};
