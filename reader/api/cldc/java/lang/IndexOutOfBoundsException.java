// IndexOutOfBoundsException.java - CLDC 1.0, signatures only.
package java.lang;

public class IndexOutOfBoundsException extends RuntimeException {
    public IndexOutOfBoundsException() {}
    public IndexOutOfBoundsException(String s) {}
}
