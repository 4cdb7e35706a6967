// The field's board: the run posted first, then the collection's own, tied and in that order.
pm.test("[board] the board lists both names, fastest first, the earlier run first", function () {
  const board = pm.response.json();
  pm.expect(board.field).to.eql(Number(pm.variables.get("field")));
  pm.expect(board.runs.map((run) => [run.rank, run.name])).to.eql([
    [1, pm.variables.get("seededName")],
    [2, "Judge"],
  ]);
  pm.expect(board.runs[0].id).to.eql(Number(pm.variables.get("runId")));
  pm.expect(board.runs[0].ticks).to.eql(board.runs[1].ticks);
});
