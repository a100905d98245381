// OutOfMemoryError.java - CLDC 1.0, signatures only.
package java.lang;

public class OutOfMemoryError extends Error {
    public OutOfMemoryError() {}
    public OutOfMemoryError(String s) {}
}
