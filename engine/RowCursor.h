// TRowCursor: where the next answer of an instance table goes. The shoot
// engine owns it and moves it on; the result table reads it to place a value
// and reports back what it did (TPlaced), so that the engine can advance it.
#pragma once

// What placing one value did to the rows.
enum class TPlaced {
    Nothing,       // no cell was counted: a list line, or a refill outside the rows
    RowCell,       // a new row was started or the last row got its next cell
    RefilledCell,  // a cell of the row being refilled was overwritten (or added)
    Dropped,       // a refilled value whose instance has no row: counted, so that
                   // the refill moves on, but placed nowhere
};

class TRowCursor {
public:
    // Values placed in the current row so far.
    int CellsInRow() const { return cellsInRow; }
    // The next placed value starts a new row.
    bool StartsNewRow() const { return startNewRow; }
    // Keep mode overwrites the known rows in place, one instance after the
    // other; RefillRow() counts the instances, not the table's rows.
    bool Refilling() const { return refilling; }
    int RefillRow() const { return refillRow; }

    // The state of a fresh run: no row, no refill.
    void Reset() { *this = TRowCursor(); }
    // The next instance's row begins: a new row is started, or the refill
    // moves on to the next row.
    void BeginRow()
    {
        ++refillRow;
        startNewRow = true;
        cellsInRow = 0;
    }
    // Keep mode refills the known rows from the first on (after BeginRow).
    void StartRefill()
    {
        refilling = true;
        refillRow = -1;
    }
    // The rows are built anew: placing must not look for rows to refill.
    void StopRefill()
    {
        refilling = false;
        refillRow = -1;
    }
    // Follows up on one placed value.
    void Advance(TPlaced placed)
    {
        if (placed == TPlaced::Nothing)
            return;
        if (placed == TPlaced::RowCell)
            startNewRow = false;
        ++cellsInRow;
    }

private:
    int cellsInRow = 0;
    bool startNewRow = false;
    bool refilling = false;
    int refillRow = 0;
};
