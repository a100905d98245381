// NullPointerException.java - CLDC 1.0, signatures only.
package java.lang;

public class NullPointerException extends RuntimeException {
    public NullPointerException() {}
    public NullPointerException(String s) {}
}
